#!/usr/bin/python3
"""A small price service for the HTTP client example, on a loopback port of its own.

POST /quote/<supplier> with {"lines": [{"product": ..., "quantity": ...}]} answers, after a short
think, {"supplier": ..., "quotes": [{"product": ..., "price": ...}]}. GET /stop ends it; so does a
minute without requests. The port is printed as the first line of the output.
"""
import http.server
import json
import threading
import time

THINK_SECONDS = 0.3
IDLE_SECONDS = 60
# Each supplier's price per unit, and the discount it gives from ten units on.
PRICES = {
    "north": ({"Apples": 0.45, "Pears": 0.60, "Plums": 0.80}, 0.10),
    "south": ({"Apples": 0.40, "Pears": 0.65, "Plums": 0.75}, 0.00),
    "coast": ({"Apples": 0.50, "Pears": 0.55, "Plums": 0.70}, 0.05),
}


class Service(http.server.BaseHTTPRequestHandler):
    def answer(self, status, body):
        data = json.dumps(body).encode()
        self.send_response(status)
        self.send_header("Content-Type", "application/json")
        self.send_header("Content-Length", str(len(data)))
        self.end_headers()
        self.wfile.write(data)

    def do_POST(self):
        supplier = self.path.rsplit("/", 1)[-1]
        if not self.path.startswith("/quote/") or supplier not in PRICES:
            return self.answer(404, {"error": "no such supplier"})
        order = json.loads(self.rfile.read(int(self.headers["Content-Length"])))
        prices, discount = PRICES[supplier]
        time.sleep(THINK_SECONDS)
        quotes = [{"product": line["product"],
                   "price": round(prices[line["product"]] * (1 - discount if line["quantity"] >= 10 else 1), 4)}
                  for line in order["lines"] if line["product"] in prices]
        self.answer(200, {"supplier": supplier, "quotes": quotes})

    def do_GET(self):
        if self.path != "/stop":
            return self.answer(404, {"error": "not found"})
        self.answer(200, {"stopping": True})
        threading.Thread(target=self.server.shutdown).start()

    def log_message(self, *args):
        pass

    def handle(self):
        self.server.last_request = time.monotonic()
        super().handle()


def stop_when_idle(server):
    while time.monotonic() - server.last_request < IDLE_SECONDS:
        time.sleep(1)
    server.shutdown()


def main():
    server = http.server.ThreadingHTTPServer(("127.0.0.1", 0), Service)
    server.last_request = time.monotonic()
    threading.Thread(target=stop_when_idle, args=(server,), daemon=True).start()
    print(server.server_address[1], flush=True)
    server.serve_forever()


if __name__ == "__main__":
    main()
