-- A model that meets a warning before InitService and after it, logs at two levels and lowers a
-- logger's level, run in a folder with or without FLKLogConfig.cfg; the test compares what
-- molvo-sim prints on standard error. Argument: "init-first" calls InitService before anything.

local function writeFile(path, text)
    local f = assert(io.open(path, "wb"))
    f:write(text)
    f:close()
end

local function expect(actual, expected, what)
    if actual ~= expected then error(string.format("%s: got %s, expected %s", what, actual, expected), 2) end
end

set("Products", {index = "p"})
parameter("Price", {index = {"p"}, type = "numeric"})
writeFile("prices.xml", [[<MolvoCSVMapping><CSVTableMapping><CSVColumnMapping name="product" binds-to="p"/>
  <CSVColumnMapping name="price" maps-to="Price"/></CSVTableMapping></MolvoCSVMapping>]])
writeFile("short.csv", "product,price\napple,1\npear\n")
writeFile("long.csv", "product,price\napple,1\npear,2,y\nfig,3\nkiwi,4\nlime\n")

if arg[1] == "init-first" then expect(flk.InitService(""), 1, "InitService") end
expect(flk.AddMapping("prices", "prices.xml"), 1, "AddMapping")
expect(flk.ReadFromFile("short.csv", "prices", 0, 0, 0), 1, "a read with a short row")
expect(flk.AddLogEntry("not shown", "info"), 1, "AddLogEntry info")
expect(flk.AddLogEntry("shown", "error"), 1, "AddLogEntry error")
if arg[1] ~= "init-first" then expect(flk.InitService(""), 1, "InitService") end
expect(flk.SetLoggerLevel("Ferrolink.FLK", "debug"), 1, "SetLoggerLevel")
expect(flk.ReadFromFile("long.csv", "prices", 0, 0, 0), 1, "a read with a long row and a short one")
