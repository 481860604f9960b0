-- The main job: an order book is read into the model, shown as tables, summed up, written back
-- as pretty JSON to a file and as a compact row table to a memory stream, and read back from the
-- stream to check that the round trip kept every value. Then the shop's own order lines to its
-- supplier arrive as a CSV table a spreadsheet saved; they are read, shown, written as CSV and
-- read back the same way. Then the same order book arrives as an XML document: it must read to
-- the values the JSON one gave, and is written back as XML and read back again. Then the results
-- go out as a workbook (dates as date cells) that is read back and checked too, and last the order
-- lines go out as a Parquet file, which parquet-dump shows, and are read back and checked.

set("Orders", {index = "o"})
set("Products", {index = "p"})
parameter("BookTitle", {type = "string", default = ""})
parameter("Customer", {index = {"o"}, type = "string", default = ""})
parameter("OrderDate", {index = {"o"}, type = "string", default = ""})
parameter("Quantity", {index = {"o", "p"}, type = "integer", default = 0})
parameter("Price", {index = {"o", "p"}, type = "numeric", default = 0})
set("Days", {index = "d", calendar = {unit = "day", first = "2024-01-01", last = "2024-12-31", format = "%c%y-%m-%d"}})
parameter("OrderDay", {index = {"o"}, type = "element", range = "Days"})
parameter("OrderTotal", {index = {"o"}, type = "numeric", default = 0})
parameter("Amount", {index = {"o", "p"}, type = "numeric", default = 0})
parameter("DaySerial", {index = {"o"}, type = "numeric", default = 0})
parameter("SupplierQuantity", {index = {"p"}, type = "integer", default = 0})
parameter("SupplierPrice", {index = {"p"}, type = "numeric", default = 0})

local function check(result, what)
    if result ~= 1 then
        for _, e in ipairs(errors()) do io.stderr:write(e.message, "\n") end
        error(what .. " failed", 2)
    end
end

-- Pads by characters, not bytes, so that names with accents line up.
local function pad(text, width)
    text = tostring(text)
    return text .. string.rep(" ", math.max(0, width - (utf8.len(text) or #text)))
end

local function printTable(title, header, rows, widths)
    print(title)
    local line = {}
    for i, h in ipairs(header) do line[i] = pad(h, widths[i]) end
    print("  " .. table.concat(line, "  "))
    for _, row in ipairs(rows) do
        for i, cell in ipairs(row) do line[i] = pad(cell, widths[i]) end
        print("  " .. table.concat(line, "  "))
    end
    print()
end

local function snapshot(names)
    local parts = names and {} or {"BookTitle=" .. get("BookTitle")}
    for _, name in ipairs(names or {"Customer", "OrderDate", "Quantity", "Price"}) do
        for _, d in ipairs(data(name)) do
            parts[#parts + 1] = name .. "(" .. table.concat(d.tuple, ",") .. ")=" .. tostring(d.value)
        end
    end
    return parts
end

flk.InitService("")   -- logging as FLKLogConfig.cfg in this folder says
check(flk.AddMapping("orders", "orderbook/orders.xml"), "AddMapping orders")
check(flk.AddMapping("order-lines", "orderbook/order-lines-rows.xml"), "AddMapping order-lines")
check(flk.ReadFromFile("orderbook/orders.json", "orders", 1, 1, 1), "ReadFromFile")

print(get("BookTitle") .. ": " .. card("Orders") .. " orders, " .. card("Quantity") .. " order lines\n")

local orders = {}
for _, o in ipairs(elements("Orders")) do orders[#orders + 1] = {o, get("Customer", o), get("OrderDate", o)} end
printTable("Orders", {"order", "customer", "date"}, orders, {8, 18, 10})

local lines, revenue, byCustomer = {}, 0, {}
for _, d in ipairs(data("Quantity")) do
    local o, p = d.tuple[1], d.tuple[2]
    local price = get("Price", o, p)
    local amount = d.value * price
    lines[#lines + 1] = {o, p, d.value, string.format("%.2f", price), string.format("%.2f", amount)}
    revenue = revenue + amount
    local customer = get("Customer", o)
    byCustomer[customer] = (byCustomer[customer] or 0) + amount
end
printTable("Order lines", {"order", "product", "qty", "price", "amount"}, lines, {8, 18, 4, 6, 7})

local best, bestAmount = nil, -1
for customer, amount in pairs(byCustomer) do
    if amount > bestAmount then best, bestAmount = customer, amount end
end
print(string.format("Revenue of the book: %.2f; best customer: %s with %.2f\n", revenue, best, bestAmount))

local out = (os.getenv("TMPDIR") or "/tmp") .. "/ferrolink-demo-orders.json"
check(flk.WriteToFile(out, "orders", 1), "WriteToFile (pretty JSON)")
print("Wrote the order book as pretty JSON to " .. out)

check(flk.WriteToFile("#order-lines", "order-lines", 0), "WriteToFile (row table to a stream)")
check(flk.WriteStreamToFile("#order-lines", out .. ".rows"), "WriteStreamToFile")
local f = io.open(out .. ".rows", "rb")
local rows = f:read("a")
f:close()
os.remove(out .. ".rows")
print("Wrote the order lines as a row table to the stream #order-lines:\n  " .. rows:sub(1, 150) .. " ...\n")

-- Read the row table back over emptied lines and compare everything the model held.
local before = snapshot()
check(flk.ResetMappingData("order-lines", 1, 0, 0), "ResetMappingData")
check(flk.ReadFromFile("#order-lines", "order-lines", 0, 0, 0), "ReadFromFile (stream)")
local after = snapshot()
local function same(a, b)
    if #a ~= #b then return false end
    for i = 1, #a do if a[i] ~= b[i] then return false end end
    return true
end
print(string.format("Round trip through #order-lines kept every value: %s (%d values)", same(before, after) and "yes" or "NO", #after))
if not same(before, after) then error("the round trip changed the data") end

-- The supplier's order lines: a spreadsheet's CSV export (byte-order mark, a title line,
-- semicolons, CR LF), with a product whose name holds a comma and quotes.
check(flk.AddMapping("supplier-lines", "orderbook/supplier-lines.xml"), "AddMapping supplier-lines")
check(flk.ReadFromFile("orderbook/supplier-lines.csv", "supplier-lines", 1, 0, 0), "ReadFromFile (CSV)")
local supplier, cost = {}, 0
for _, d in ipairs(data("SupplierQuantity")) do
    local p = d.tuple[1]
    local price = get("SupplierPrice", p)
    supplier[#supplier + 1] = {p, d.value, string.format("%.2f", price), string.format("%.2f", d.value * price)}
    cost = cost + d.value * price
end
print()
printTable("Order lines to the supplier (CSV)", {"product", "qty", "price", "amount"}, supplier, {24, 4, 6, 7})
print(string.format("Cost of the supplier order: %.2f\n", cost))

local csvOut = (os.getenv("TMPDIR") or "/tmp") .. "/ferrolink-demo-supplier-lines.csv"
check(flk.WriteToFile(csvOut, "supplier-lines", 0), "WriteToFile (CSV)")
check(flk.WriteToFile("#supplier-lines", "supplier-lines", 0), "WriteToFile (CSV to a stream)")
local csv = io.open(csvOut, "rb")
local text = csv:read("a")
csv:close()
print("Wrote the supplier's order lines as CSV to " .. csvOut .. ":")
for line in text:gmatch("[^\n]+") do print("  " .. line) end
print()

local names = {"SupplierQuantity", "SupplierPrice"}
local csvBefore = snapshot(names)
check(flk.ResetMappingData("supplier-lines", 1, 0, 0), "ResetMappingData (CSV)")
check(flk.ReadFromFile("#supplier-lines", "supplier-lines", 0, 0, 0), "ReadFromFile (CSV stream)")
local csvAfter = snapshot(names)
print(string.format("Round trip through #supplier-lines kept every value: %s (%d values)", same(csvBefore, csvAfter) and "yes" or "NO",
    #csvAfter))
if not same(csvBefore, csvAfter) then error("the CSV round trip changed the data") end

-- The same book as an XML document: orders as elements, keys and dates as attributes, lines nested.
print("\nThe order book as XML")
check(flk.AddMapping("orders-xml", "orderbook/orders-as-xml.xml"), "AddMapping orders-xml")
check(flk.ReadFromFile("orderbook/spring-orders.xml", "orders-xml", 1, 1, 1), "ReadFromFile (XML)")
local fromXml = snapshot()
print(string.format("Read %s: %d orders, %d order lines; the same values as the JSON book: %s\n", get("BookTitle"),
    card("Orders"), card("Quantity"), same(fromXml, before) and "yes" or "NO"))
if not same(fromXml, before) then error("the XML book differs from the JSON one") end
local xmlOrders = {}
for _, o in ipairs(elements("Orders")) do
    local count = 0
    for _, d in ipairs(data("Quantity")) do if d.tuple[1] == o then count = count + 1 end end
    xmlOrders[#xmlOrders + 1] = {o, get("Customer", o), get("OrderDate", o), count}
end
printTable("Orders read from XML", {"order", "customer", "date", "lines"}, xmlOrders, {8, 18, 10, 5})

local xmlOut = (os.getenv("TMPDIR") or "/tmp") .. "/ferrolink-demo-orders.xml"
check(flk.WriteToFile(xmlOut, "orders-xml", 1), "WriteToFile (pretty XML)")
f = io.open(xmlOut, "rb")
local xml = f:read("a")
f:close()
print("Wrote the order book as pretty XML to " .. xmlOut .. ":")
print("  " .. xml:sub(1, 200):gsub("\n", "\n  ") .. "...\n")

check(flk.WriteToFile("#orders-xml", "orders-xml", 0), "WriteToFile (compact XML to a stream)")
check(flk.ResetMappingData("orders-xml", 1, 1, 0), "ResetMappingData")
check(flk.ReadFromFile("#orders-xml", "orders-xml", 0, 0, 0), "ReadFromFile (XML stream)")
local backFromXml = snapshot()
print(string.format("Round trip through #orders-xml kept every value: %s (%d values)", same(backFromXml, before) and "yes" or "NO",
    #backFromXml))
if not same(backFromXml, before) then error("the XML round trip changed the data") end

-- The results as a workbook: each order's day as a calendar element and its total, each line's
-- amount. Read back over emptied results, they must be what was written.
for _, o in ipairs(elements("Orders")) do assign("OrderDay", {o}, get("OrderDate", o)) end
for _, d in ipairs(data("Quantity")) do
    local o, p = d.tuple[1], d.tuple[2]
    local amount = d.value * get("Price", o, p)
    assign("Amount", {o, p}, amount)
    assign("OrderTotal", {o}, get("OrderTotal", o) + amount)
end
check(flk.AddMapping("results", "orderbook/orders-workbook.xml"), "AddMapping results")
local workbook = (os.getenv("TMPDIR") or "/tmp") .. "/ferrolink-demo-orders.xlsx"
check(flk.WriteToFile(workbook, "results", 0), "WriteToFile (workbook)")
print("\nWrote the results as a workbook with the sheets Orders and Lines to " .. workbook)

local results = {"Customer", "OrderDay", "OrderTotal", "Quantity", "Price", "Amount"}
local written = snapshot(results)
check(flk.ResetMappingData("results", 1, 0, 0), "ResetMappingData results")
check(flk.ReadFromFile(workbook, "results", 0, 0, 0), "ReadFromFile (workbook)")
local readBack = snapshot(results)
print(string.format("Round trip through the workbook kept every value: %s (%d values)",
                    same(written, readBack) and "yes" or "NO", #readBack))
if not same(written, readBack) then error("the workbook round trip changed the data") end

-- A date cell holds the day's serial number, which a spreadsheet program shows as a date.
check(flk.AddMapping("day-serials", "orderbook/order-day-serials.xml"), "AddMapping day-serials")
check(flk.ReadFromFile(workbook, "day-serials", 1, 0, 0), "ReadFromFile (day serials)")
local first = elements("Orders")[1]
local serial = get("DaySerial", first)
print(string.format("The day of order %s (%s) is the date cell %d", first, get("OrderDay", first), serial))
if serial ~= 45355 then error("the order days are not date cells") end

-- The order lines as a Parquet file, as data platforms exchange large tables: written, shown by
-- parquet-dump, and read back over emptied lines.
check(flk.AddMapping("lines-parquet", "orderbook/order-lines-parquet.xml"), "AddMapping lines-parquet")
local parquet = (os.getenv("TMPDIR") or "/tmp") .. "/ferrolink-demo-order-lines.parquet"
check(flk.WriteToFile(parquet, "lines-parquet", 0), "WriteToFile (Parquet)")
print("\nWrote the order lines as a Parquet file to " .. parquet .. "; parquet-dump shows it:")
local dump = io.popen("../" .. (os.getenv("BUILD") or "build") .. "/libs/tablix/parquet-dump '" .. parquet .. "'")
local shown = dump and dump:read("a") or ""
if dump then dump:close() end
print("  " .. shown:gsub("\n$", ""):gsub("\n", "\n  "))
local lines = {"Quantity", "Price", "Amount"}
local linesWritten = snapshot(lines)
check(flk.ResetMappingData("lines-parquet", 1, 0, 0), "ResetMappingData lines-parquet")
check(flk.ReadFromFile(parquet, "lines-parquet", 0, 0, 0), "ReadFromFile (Parquet)")
local linesRead = snapshot(lines)
print(string.format("Round trip through the Parquet file kept every value: %s (%d values)",
                    same(linesWritten, linesRead) and "yes" or "NO", #linesRead))
if not same(linesWritten, linesRead) then error("the Parquet round trip changed the data") end
