-- A model writes orders with their days as a workbook to a memory stream and to a file, reads
-- both back, and meets the messages of a refused sheet name and of a date into another set.

local check = dofile("lib/checks.lua")
local expect, expectNoErrors, contents = check.expect, check.expectNoErrors, check.contents
local expectPlacedError = check.expectPlacedError

set("Orders", {index = "o", elements = {"A1", "A2"}})
set("Products", {index = "p", elements = {"apple", "pear"}})
set("Days", {index = "d", calendar = {unit = "day", first = "2024-01-01", last = "2024-12-31", format = "%c%y-%m-%d"}})
parameter("Total", {index = {"o"}, type = "numeric", default = 0})
parameter("Day", {index = {"o"}, type = "element", range = "Days"})
parameter("Best", {index = {"o"}, type = "element", range = "Products"})
assign("Total", {"A1"}, 12.5)
assign("Day", {"A1"}, "2024-02-29")
assign("Total", {"A2"}, 3)
assign("Day", {"A2"}, "2024-12-31")

local function mapping(name, sheet, dayTarget)
    local file = os.tmpname()
    local f = assert(io.open(file, "w"))
    f:write('<MolvoExcelMapping><ExcelSheetMapping name="' .. sheet .. '">' ..
            '<ExcelColumnMapping name="id" binds-to="o"/><ExcelColumnMapping name="total" maps-to="Total"/>' ..
            '<ExcelColumnMapping name="day" maps-to="' .. dayTarget .. '"/></ExcelSheetMapping></MolvoExcelMapping>')
    f:close()
    expect(flk.AddMapping(name, file), 1, "AddMapping " .. name)
    os.remove(file)
end

mapping("book", "Orders", "Day")
expect(flk.WriteToFile("#book", "book", 0), 1, "WriteToFile to a stream")
local out = os.tmpname() .. ".xlsx"
expect(flk.WriteToFile(out, "book", 0), 1, "WriteToFile to a file")
expectNoErrors("writes")
for _, source in ipairs({"#book", out}) do
    expect(flk.ResetMappingData("book", 1, 1, 0), 1, "ResetMappingData")
    expect(flk.ReadFromFile(source, "book", 0, 0, 0), 1, "ReadFromFile " .. source)
    expectNoErrors("read " .. source)
    expect(contents("Total"), "A1=12.5 A2=3", "totals from " .. source)
    expect(contents("Day"), "A1=2024-02-29 A2=2024-12-31", "days from " .. source)
end

mapping("best", "Orders", "Best")
expect(flk.ReadFromFile(out, "best", 0, 0, 0), 0, "date cells into products")
expectPlacedError("ReadFromStream: Date-valued Excel column can only be mapped onto a calendar label",
                  out .. ", sheet 'Orders' cell C2: the cell holds a date, which only the elements of a calendar can take",
                  "date into products")

mapping("slashed", "Orders/2024", "Day")
expect(flk.WriteToFile(out, "slashed", 0), 0, "a sheet name with a slash")
local raised = errors()
expect(raised[1].message, "WriteToStream: Excel sheet name Orders/2024 contains '/', which workbooks do not allow " ..
       "in sheet names ([ ] : * ? / \\)", "slash refused")
clear_errors()
expect(flk.ReadFromFile(out, "book", 1, 0, 0), 1, "the file written before is still there")
os.remove(out)
