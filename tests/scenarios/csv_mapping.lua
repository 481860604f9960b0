-- A model registers a CSV mapping, reads a table a spreadsheet exported (byte-order mark, a title
-- line, semicolons, CR LF), writes it in the fixed comma format to a memory stream and reads it
-- back, and meets the messages of bad input, as a model calls the library.

local check = dofile("lib/checks.lua")
local expect, expectNoErrors, contents = check.expect, check.expectNoErrors, check.contents
local expectPlacedError = check.expectPlacedError

local function writeFile(path, text)
    local f = assert(io.open(path, "wb"))
    f:write(text)
    f:close()
end

set("Orders", {index = "o"})
set("Products", {index = "p"})
parameter("Qty", {index = {"o", "p"}, type = "integer", default = 0})
parameter("Price", {index = {"o", "p"}, type = "numeric", default = 0})

expect(flk.AddMapping("lines", "csv/order-lines.xml"), 1, "AddMapping")
expectNoErrors("AddMapping")
expect(flk.ReadFromFile("csv/order-lines.csv", "lines", 0, 0, 0), 1, "ReadFromFile")
expectNoErrors("ReadFromFile")
expect(contents("Qty"), 'o-1,Äpfel=3 o-1,pears; ripe=2 o-2,Äpfel=10 o-2,Nuts, "salted"=1', "quantities")
expect(contents("Price"), "o-1,Äpfel=1.25 o-1,pears; ripe=0.5 o-2,Äpfel=1.2", "prices, the empty one missing")

-- Written in the fixed format: commas, LF, quotes only where a field needs them.
expect(flk.WriteToFile("#lines", "lines", 0), 1, "WriteToFile to a stream")
local out = os.tmpname()
expect(flk.WriteStreamToFile("#lines", out), 1, "WriteStreamToFile")
local f = assert(io.open(out, "rb"))
local written = f:read("a")
f:close()
os.remove(out)
expect(written, 'order,product,quantity,price\no-1,Äpfel,3,1.25\no-1,pears; ripe,2,0.5\no-2,Äpfel,10,1.2\n' ..
       'o-2,"Nuts, ""salted""",1,\n', "written text")

local before = contents("Qty") .. " | " .. contents("Price")
expect(flk.ResetMappingData("lines", 1, 1, 0), 1, "ResetMappingData")
expect(card("Qty"), 0, "emptied")
expect(flk.ReadFromFile("#lines", "lines", 0, 0, 0), 1, "read back from the stream")
expectNoErrors("read back")
expect(contents("Qty") .. " | " .. contents("Price"), before, "round trip")

-- Bad input: the documented messages with the call context, each followed by a warning naming
-- the line and column (in characters) where the input went wrong, and nothing half read.
local bad = os.tmpname()
writeFile(bad, "order,product,quantity,price\no-3,Äpfel,1,cheap\n")
expect(flk.ReadFromFile(bad, "lines", 1, 0, 0), 0, "a price that is not a number")
expectPlacedError("ReadFromStream: Exception occurred while reading data: Not a number. from document " .. bad,
                  bad .. ", line 2, column 13 (price): 'cheap' is not a number, which Price needs", "not a number")
expect(card("Price"), 0, "nothing read")
writeFile(bad, "order,product\n" .. string.rep("x", 65536) .. ",y\n")
expect(flk.ReadFromFile(bad, "lines", 0, 0, 0), 0, "a long line")
expectPlacedError("ReadFromStream: CSV stream " .. bad .. " contains lines >= 65536 characters",
                  bad .. ", line 2, column 1: the line reaches 65536 bytes, beyond the longest a line may be", "long line")
writeFile(bad, "")
expect(flk.ReadFromFile(bad, "lines", 0, 0, 0), 1, "an empty file")
expectNoErrors("empty file")
os.remove(bad)
