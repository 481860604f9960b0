-- The asynchronous HTTP client: the model asks three suppliers for prices at once. The order goes
-- out as a JSON body from a memory stream, each answer comes back into a memory stream of its
-- request, and the callback reads it into the model with a mapping. The price service is a small
-- local program the example starts on a loopback port and stops at the end.

flk.InitService("")   -- logging as FLKLogConfig.cfg in this folder says

set("Products", {index = "p", elements = {"Apples", "Pears", "Plums"}})
set("Suppliers", {index = "s"})
parameter("Needed", {index = {"p"}, type = "integer", default = 0})
parameter("Quote", {index = {"s", "p"}, type = "numeric", default = 0})

assign("Needed", {"Apples"}, 12)
assign("Needed", {"Pears"}, 4)
assign("Needed", {"Plums"}, 20)

local function check(result, what)
    if result ~= 1 then
        for _, e in ipairs(errors()) do io.stderr:write(e.message, "\n") end
        error(what .. " failed", 2)
    end
end

local service = io.popen("python3 quotes/quote_service.py")
local port = service:read("l")
local base = "http://127.0.0.1:" .. port

local answered, failed = 0, 0
procedure("OnQuote", {"string", "numeric", "numeric"}, function(id, code, err)
    if err ~= 0 or code ~= 200 then
        failed = failed + 1
        print(string.format("  %s: HTTP %d, transfer error %d", id, code, err))
    else
        check(flk.ReadFromFile("##" .. id, "quote", 0, 0, 0), "reading the answer of " .. id)
        answered = answered + 1
    end
    return 1
end)
procedure("OnStopped", {"string", "numeric", "numeric"}, function() return 1 end)

check(flk.AddMapping("order", "quotes/order.xml"), "AddMapping order")
check(flk.AddMapping("quote", "quotes/quote.xml"), "AddMapping quote")
check(flk.WriteToFile("#order", "order", 0), "writing the order")

local suppliers = {"north", "south", "coast"}
for _, s in ipairs(suppliers) do
    check(flk.NewRequest(s, base .. "/quote/" .. s, "OnQuote", "POST", "#order", "##" .. s, ""), "NewRequest " .. s)
    check(flk.AddHeader(s, "Accept", "application/json"), "AddHeader " .. s)
    check(flk.PerformRequest(s), "PerformRequest " .. s)
end
print(string.format("Asked %d suppliers at once; the model goes on while they think.", #suppliers))

local waited = 0
while answered + failed < #suppliers and waited < 20 do
    flk.WaitForResponses(1000)
    waited = waited + 1
end

print("Quotes per unit:")
print(string.format("  %-8s %8s %8s %8s", "supplier", "Apples", "Pears", "Plums"))
local best, bestCost = nil, math.huge
for _, s in ipairs(elements("Suppliers")) do
    local cost = 0
    for _, p in ipairs(elements("Products")) do cost = cost + get("Quote", s, p) * get("Needed", p) end
    print(string.format("  %-8s %8.4f %8.4f %8.4f   order %.2f", s, get("Quote", s, "Apples"), get("Quote", s, "Pears"),
                        get("Quote", s, "Plums"), cost))
    if cost < bestCost then best, bestCost = s, cost end
end
print(string.format("Cheapest: %s at %.2f (%d answers, %d failures)", best, bestCost, answered, failed))

check(flk.NewRequest("stop", base .. "/stop", "OnStopped", "GET", "", "", ""), "NewRequest stop")
check(flk.PerformRequest("stop"), "PerformRequest stop")
flk.WaitForResponses(5000)
flk.StopClient()
service:close()
if answered ~= #suppliers then error("not every supplier answered") end
