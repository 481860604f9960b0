-- A model registers an XML mapping, reads a document, writes it to a file and to a memory
-- stream, and reads the stream back, as a model calls the library.

local check = dofile("lib/checks.lua")
local expect, expectError, expectNoErrors, contents = check.expect, check.expectError, check.expectNoErrors, check.contents

set("Orders", {index = "o"})
set("Products", {index = "p"})
parameter("Customer", {index = {"o"}, type = "string", default = ""})
parameter("Qty", {index = {"o", "p"}, type = "integer", default = 0})
parameter("Price", {index = {"o", "p"}, type = "numeric", default = 0})

expect(flk.AddMapping("shop", "xml/shop.xml"), 1, "AddMapping")
expectNoErrors("AddMapping")
expect(flk.ReadFromFile("xml/shop-document.xml", "shop", 0, 0, 0), 1, "ReadFromFile")
expectNoErrors("ReadFromFile")
expect(contents("Qty"), "o-1,Äpfel=3 o-1,pears=2 o-2,Äpfel=10", "quantities")
expect(contents("Customer"), "o-1=Zoë Kraus o-2=Bjørn & Co", "customers")
local before = contents("Qty") .. " | " .. contents("Price") .. " | " .. contents("Customer")

local out = os.tmpname()
expect(flk.WriteToFile(out, "shop", 1), 1, "WriteToFile to a file")
local f = assert(io.open(out, "rb"))
local written = f:read("a")
f:close()
os.remove(out)
local start = '<?xml version="1.0"?>\n<shop xmlns="urn:shop">\n\t<order id'
expect(written:sub(1, #start), start, "declaration, namespace, tabs")
assert(written:find("\t\t<customer>Bjørn &amp; Co</customer>\n", 1, true), "escaped UTF-8 text: " .. written)

expect(flk.WriteToFile("#shop", "shop", 0), 1, "WriteToFile to a stream")
expect(flk.ReadFromFile("#missing", "shop", 0, 0, 0), 0, "missing stream")
expectError("GetStream: Stream #missing does not exist", "missing stream")

-- Read the stream back over emptied identifiers: the round trip keeps every value.
expect(flk.ResetMappingData("shop", 1, 1, 0), 1, "ResetMappingData")
expect(card("Qty"), 0, "emptied")
expect(flk.ReadFromFile("#shop", "shop", 0, 0, 0), 1, "ReadFromFile from the stream")
expectNoErrors("read back")
expect(contents("Qty") .. " | " .. contents("Price") .. " | " .. contents("Customer"), before, "round trip")

-- A document that is not well-formed is refused whole.
local bad = os.tmpname()
f = assert(io.open(bad, "wb"))
f:write('<shop><order id="o-3"><customer>x</customer></shop>')
f:close()
expect(flk.ReadFromFile(bad, "shop", 0, 0, 0), 0, "malformed document")
-- The document's message, then a warning that says where and why it broke.
local raised = errors()
expect(#raised, 2, "malformed document: messages raised")
expect(raised[1].message, "ReadFromStream: Error parsing XML document " .. bad, "malformed document")
expect(raised[2].severity, 2, "where it broke: a warning")
expect(raised[2].message, bad .. ", line 1, column 45: the end tag 'shop' where 'order' ends", "where it broke")
clear_errors()
os.remove(bad)
expect(contents("Customer"), "o-1=Zoë Kraus o-2=Bjørn & Co", "nothing read from the malformed document")
