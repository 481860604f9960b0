-- A model ends while its HTTP requests still transfer and wait for their callbacks: the library's
-- threads are stopped and joined on the way out, without a crash, a hang or a callback.

procedure("OnDone", {"string", "numeric", "numeric"}, function() error("no callback may run at exit") end)

local service = io.popen("python3 ../../examples/quotes/quote_service.py")
local port = service:read("l")
local base = "http://127.0.0.1:" .. port
parameter("Order", {type = "string", default = ""})
assign("Order", {}, '{"lines": [{"product": "Apples", "quantity": 3}]}')
assert(flk.ImportStream("#order", handle("Order")) == 1)
for i = 1, 5 do
    -- The service thinks for a while before it answers a quote: these are in transfer at the end.
    assert(flk.NewRequest("q" .. i, base .. "/quote/north", "OnDone", "POST", "#order", "##q" .. i, "") == 1)
    assert(flk.PerformRequest("q" .. i) == 1)
end
-- The service is stopped by a request of its own, with plain curl, as the model's client goes down.
os.execute("curl -s -o /dev/null " .. base .. "/stop")
service:close()
