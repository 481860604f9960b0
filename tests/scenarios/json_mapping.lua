-- A model registers a JSON mapping, reads a document, writes it to a file and to a memory
-- stream, and reads the stream back, as a model calls the library.

local check = dofile("lib/checks.lua")
local expect, expectError, expectNoErrors, contents = check.expect, check.expectError, check.expectNoErrors, check.contents

set("Orders", {index = "o"})
set("Products", {index = "p"})
parameter("Customer", {index = {"o"}, type = "string", default = ""})
parameter("Qty", {index = {"o", "p"}, type = "integer", default = 0})
parameter("Price", {index = {"o", "p"}, type = "numeric", default = 0})

expect(flk.AddMapping("shop", "json/shop.xml"), 1, "AddMapping")
expectNoErrors("AddMapping")
expect(flk.ReadFromFile("json/shop.json", "shop", 0, 0, 0), 1, "ReadFromFile")
expectNoErrors("ReadFromFile")
expect(contents("Qty"), "o-1,Äpfel=3 o-1,pears=2 o-2,Äpfel=10", "quantities")
expect(contents("Customer"), "o-1=Zoë Kraus o-2=Bjørn", "customers")
local before = contents("Qty") .. " | " .. contents("Price") .. " | " .. contents("Customer")

local out = os.tmpname()
expect(flk.WriteToFile(out, "shop", 1), 1, "WriteToFile to a file")
local f = assert(io.open(out, "rb"))
local written = f:read("a")
f:close()
os.remove(out)
assert(written:find("\t\t\"customer\": \"Zoë Kraus\"", 1, true), "pretty output with tabs and UTF-8: " .. written)

expect(flk.WriteToFile("#shop", "shop", 0), 1, "WriteToFile to a stream")
expect(flk.WriteToFile("#shop", "shop", 0), 0, "second write to the stream")
expectError("WriteToFile: Stream #shop already exists", "second write")
expect(flk.ReadFromFile("#missing", "shop", 0, 0, 0), 0, "missing stream")
expectError("GetStream: Stream #missing does not exist", "missing stream")
expect(flk.ReadFromFile("", "shop", 0, 0, 0), 0, "empty name")
expectError("ReadFromFile: File name cannot be empty", "empty name")

-- Read the stream back over emptied identifiers: the round trip keeps every value.
expect(flk.ResetMappingData("shop", 1, 1, 0), 1, "ResetMappingData")
expect(card("Qty"), 0, "emptied")
expect(flk.ReadFromFile("#shop", "shop", 0, 0, 0), 1, "ReadFromFile from the stream")
expectNoErrors("read back")
expect(contents("Qty") .. " | " .. contents("Price") .. " | " .. contents("Customer"), before, "round trip")
expect(flk.DeleteStream("#shop"), 1, "DeleteStream")
expect(flk.DeleteMapping("shop"), 1, "DeleteMapping")
expect(flk.ReadFromFile("json/shop.json", "shop", 0, 0, 0), 0, "deleted mapping")
expectError("ReadFromStream: Cannot find mapping shop for reading", "deleted mapping")
