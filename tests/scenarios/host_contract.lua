-- A model that uses only the scenario contract: declarations, values, procedures, the frame's
-- exports, and errors raised by the library.
local function check(condition, what) if not condition then error("failed: " .. what, 2) end end

set("Products", {index = "p"})
set("Cities", {index = {"c", "c2"}, elements = {"Paris", "Oslo"}})
set("Big", {subset_of = "Cities", index = "bc", elements = {"Oslo"}})
set("Days", {index = "d", calendar = {unit = "day", first = "2024-01-01", last = "2024-12-31", format = "%c%y-%m-%d"}})
parameter("Price", {index = {"p"}, type = "numeric", default = 0})
parameter("Stock", {index = {"p", "c"}, type = "integer", default = -1})
parameter("Note", {index = {"c"}, type = "string", default = "n/a"})
parameter("Best", {type = "element", range = "Products"})
local calls = {}
procedure("OnDone", {"string", "numeric", "numeric"}, function(id, code, err)
  calls[#calls + 1] = id .. ":" .. code .. ":" .. err
  return 1
end)

assign("Products", {"apple"}, 1)
assign("Products", {"pear"}, 1)
assign("Price", {"pear"}, 2.5)
assign("Price", {"apple"}, 1.25)
assign("Stock", {"apple", "Oslo"}, 7)
assign("Note", {"Oslo"}, "fjord")
assign("Best", "pear")

check(get("Price", "apple") == 1.25, "numeric value")
check(get("Stock", "pear", "Paris") == -1, "integer default")
check(get("Note", "Paris") == "n/a", "string default")
check(get("Best") == "pear", "element parameter")
check(#elements("Days") == 366 and elements("Days")[60] == "2024-02-29", "calendar elements")
check(table.concat(elements("Big"), ",") == "Oslo", "subset")

local rows = data("Price")
check(#rows == 2 and rows[1].tuple[1] == "apple" and rows[2].value == 2.5, "data in tuple order")
check(card("Stock") == 1 and card("Cities") == 2, "card")
empty("Stock")
check(card("Stock") == 0, "empty")

check(flk.SetLoggerLevel("Ferrolink.APIClient", "DEBUG") == 1, "SetLoggerLevel DEBUG")
check(flk.SetLoggerLevel("Ferrolink.APIClient", "off") == 0, "SetLoggerLevel off")
check(flk.AddLogEntry("a warning nobody sees", "Warn") == 1, "AddLogEntry Warn")
check(flk.AddLogEntry("never", "fatal") == 0, "AddLogEntry fatal")
local r, text = flk.GetErrorMessage(6)
check(r == 1 and text == "Couldn't resolve host name", "GetErrorMessage: " .. tostring(text))
check(#errors() == 0, "no errors so far")

check(flk.CloseRequest("nope") == 0, "a failing export returns 0")
local raised = errors()
check(#raised == 1 and raised[1].severity == 1, "one error raised")
check(raised[1].message == "CloseRequest: invalid map<K, T> key", raised[1].message)
clear_errors()
check(#errors() == 0, "clear_errors")

check(pcall(get, "Price", "plum") == false, "an unknown element is a Lua error")
check(pcall(parameter, "Bad", {index = {"nope"}}) == false, "an unknown index is a Lua error")
check(flk.UninitializeFerrolink() == 1, "UninitializeFerrolink")
