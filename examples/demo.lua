-- A small sales model: Ferrolink's logging and the host's identifiers, as a model sees them.

local function heading(text) print(("\n== %s"):format(text)) end

local function table_of(name, columns)
  heading(name)
  print(table.concat(columns, "\t"))
  for _, row in ipairs(data(name)) do
    print(table.concat(row.tuple, "\t") .. "\t" .. tostring(row.value))
  end
end

flk.InitService("")                      -- logging from FLKLogConfig.cfg in this folder
flk.SetLoggerLevel("Ferrolink.FLK", "info")
flk.AddLogEntry("Sales model started", "info")

set("Products", {index = "p", elements = {"Espresso", "Crème brûlée", "Zürcher Geschnetzeltes"}})
set("Cities", {index = "c", elements = {"Genève", "Oslo", "Kraków"}})
set("Months", {index = "m", calendar = {unit = "month", first = "2024-01-01", last = "2024-06-01", format = "%Y-%m"}})
parameter("Price", {index = {"p"}, default = 0})
parameter("Sold", {index = {"p", "c", "m"}, type = "integer", default = 0})
parameter("Revenue", {index = {"c"}, default = 0})
parameter("Manager", {index = {"c"}, type = "string", default = ""})

assign("Price", {"Espresso"}, 2.8)
assign("Price", {"Crème brûlée"}, 6.5)
assign("Price", {"Zürcher Geschnetzeltes"}, 24.0)
local sales = {
  {"Espresso", "Genève", "2024-01", 420}, {"Espresso", "Oslo", "2024-01", 310},
  {"Crème brûlée", "Kraków", "2024-02", 75}, {"Zürcher Geschnetzeltes", "Genève", "2024-03", 48},
  {"Espresso", "Kraków", "2024-03", 290}, {"Crème brûlée", "Genève", "2024-03", 60},
}
for _, s in ipairs(sales) do assign("Sold", {s[1], s[2], s[3]}, s[4]) end
assign("Manager", {"Genève"}, "Aurélie Dufour")
assign("Manager", {"Kraków"}, "Paweł Nowak")

for _, row in ipairs(data("Sold")) do
  local product, city = row.tuple[1], row.tuple[2]
  assign("Revenue", {city}, get("Revenue", city) + row.value * get("Price", product))
end

table_of("Price", {"product", "price"})
table_of("Sold", {"product", "city", "month", "units"})
table_of("Revenue", {"city", "revenue"})
table_of("Manager", {"city", "manager"})
heading("Months")
print(table.concat(elements("Months"), " "))

-- Errors raised by the library reach the model with the name of the export that failed.
flk.AddLogEntry("Looking up a libcurl message", "debug")
local _, text = flk.GetErrorMessage(28)
heading("libcurl error 28")
print(text)
flk.DeleteMapping("none")               -- the mapping engine is not part of this build yet
heading("Errors raised")
for _, e in ipairs(errors()) do print(("severity %d: %s"):format(e.severity, e.message)) end

flk.AddLogEntry("Sales model finished", "info")
flk.UninitializeFerrolink()
