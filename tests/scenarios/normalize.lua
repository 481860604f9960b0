-- Unicode normalization, attribute lists and name-based UUIDs, called as a model calls them.

local check = dofile("lib/checks.lua")
local expect, expectList, expectNoErrors = check.expect, check.expectList, check.expectNoErrors
-- The one error raised since the last check must begin with prefix.
local function expectError(prefix, what) check.expectError(prefix, what, true) end

-- NormalizeUCString: both forms, reordering, Hangul, the cut and a refused form. The nil stands
-- for the output buffer, which the host provides.
local cases = {
    {"e\u{301}", 1, "\u{E9}", "accent composes"},
    {"\u{E9}", 2, "e\u{301}", "accent decomposes"},
    {"q\u{307}\u{323}", 2, "q\u{323}\u{307}", "dot below moves before dot above"},
    {"\u{D55C}", 2, "\u{1112}\u{1161}\u{11AB}", "Hangul syllable decomposes"},
    {"\u{1112}\u{1161}\u{11AB}", 1, "\u{D55C}", "Hangul jamo compose"},
    {"plain ASCII", 1, "plain ASCII", "ASCII unchanged"},
}
for _, c in ipairs(cases) do
    local r, out = flk.NormalizeUCString(c[1], nil, c[2])
    expect(r, 1, c[4] .. ": result")
    expect(out, c[3], c[4])
end
local r, out = flk.NormalizeUCString(string.rep("e\u{301}", 3000), nil, 1)
expect(r, 1, "long result")
expect(utf8.len(out), 2047, "long result is cut to 2047 characters")
expect(out, string.rep("\u{E9}", 2047), "cut result")
r, out = flk.NormalizeUCString("e\u{301}", nil, 3)
expect(r, 0, "form 3 is refused")
expect(out, "", "no output for a refused form")
expectError("NormalizeUCString: normalization form 3 is not supported", "form 3")
expectNoErrors("NormalizeUCString")

-- GetUUID: stable, lower case, version 5 and the RFC 4122 variant; the value is the one computed
-- independently by tests/text/make_uuid_cases.py.
local r1, u1 = flk.GetUUID("name")
local r2, u2 = flk.GetUUID("name")
expect(r1 + r2, 2, "GetUUID results")
expect(u1, u2, "the same name gives the same UUID")
expect(u1, "7bdd994b-578c-5658-9262-79b9c249c966", "UUID of 'name'")
assert(u1:match("^%x%x%x%x%x%x%x%x%-%x%x%x%x%-5%x%x%x%-[89ab]%x%x%x%-%x%x%x%x%x%x%x%x%x%x%x%x$"), u1)
expect(u1, u1:lower(), "lower case")
expect(#select(2, flk.GetUUID("e\u{301}")), 36, "UUID length")
expectNoErrors("GetUUID")

-- NormalizeSet renames only the elements that change, keeps their values, and reports a
-- rename that the host refuses (the normalized name is taken) without stopping.
set("Names", {index = "n", elements = {"cafe\u{301}", "plain", "\u{E9}t\u{E9}", "e\u{301}t\u{E9}"}})
parameter("Visits", {index = {"n"}, type = "numeric"})
assign("Visits", {"cafe\u{301}"}, 7)
expect(flk.NormalizeSet(handle("Names"), 1), 0, "NormalizeSet with a refused rename")
expectError("NormalizeSet: cannot rename element 'e\u{301}t\u{E9}' to '\u{E9}t\u{E9}'", "refused rename")
expectList(elements("Names"), {"caf\u{E9}", "plain", "\u{E9}t\u{E9}", "e\u{301}t\u{E9}"}, "NFC names")
expect(get("Visits", "caf\u{E9}"), 7, "a renamed element keeps its values")

-- The host refuses every rename of a calendar element, so success here shows that elements whose
-- names need no change are not renamed.
set("Days", {index = "d", calendar = {unit = "day", first = "2024-01-01", last = "2024-01-03",
                                      format = "%c%y-%m-%d"}})
expect(flk.NormalizeSet(handle("Days"), 2), 1, "a calendar whose names need no change")
expectNoErrors("calendar elements are not renamed")

set("Words", {index = "w", elements = {"na\u{EF}ve", "r\u{E9}sum\u{E9}"}})
expect(flk.NormalizeSet(handle("Words"), 2), 1, "NormalizeSet to NFD")
expectList(elements("Words"), {"nai\u{308}ve", "re\u{301}sume\u{301}"}, "NFD names")
expect(flk.NormalizeSet(handle("Words"), 0), 0, "form 0 is refused")
expectError("NormalizeSet: normalization form 0 is not supported", "form 0")
expect(flk.NormalizeSet(handle("Visits"), 1), 0, "a parameter is no set")
expectError("NormalizeSet: handle", "not a set")

-- A name longer than the 8192 characters a name is read with is not renamed to its cut form:
-- it stays whole, and the call says why it left it; the other names are still normalized.
local long = "e\u{301}" .. string.rep("x", 9000)
set("Long", {index = "lg", elements = {long, "cafe\u{301}"}})
expect(flk.NormalizeSet(handle("Long"), 1), 0, "NormalizeSet with a name it cannot read whole")
expectError("NormalizeSet: cannot read the name of element 1: Long: string value of 9002 characters was cut", "long name")
expectList(elements("Long"), {long, "caf\u{E9}"}, "the long name kept whole")

-- AttributeListSplit: values by name, elements created in the domain (also of a subset), and
-- the documented refusal of a parameter that is not one-dimensional with string values.
set("Attributes", {index = "a"})
parameter("AttributeValue", {index = {"a"}, type = "string"})
expect(flk.AttributeListSplit("a=1;b=2; c", handle("AttributeValue")), 1, "AttributeListSplit")
expectList(elements("Attributes"), {"a", "b", "c"}, "attribute elements")
expect(get("AttributeValue", "a"), "1", "value of a")
expect(get("AttributeValue", "b"), "2", "value of b")
expect(get("AttributeValue", "c"), "", "value of c")
expectNoErrors("AttributeListSplit")

set("Chosen", {subset_of = "Attributes", index = "ch"})
parameter("ChosenValue", {index = {"ch"}, type = "string"})
expect(flk.AttributeListSplit("z=last word", handle("ChosenValue")), 1, "AttributeListSplit into a subset")
expectList(elements("Chosen"), {"z"}, "the new element is a member of the subset")
expect(get("ChosenValue", "z"), "last word", "value of z")

local wrong = "AttributeListSplit: AttributeValue parameter should be a one-dimensional string parameter"
parameter("Numbers", {index = {"a"}})
parameter("Pairs", {index = {"a", "n"}, type = "string"})
parameter("Single", {type = "string"})
for _, name in ipairs({"Numbers", "Pairs", "Single"}) do
    expect(flk.AttributeListSplit("x=1", handle(name)), 0, "AttributeListSplit into " .. name)
    local raised = errors()
    expect(#raised, 1, name .. ": errors raised")
    expect(raised[1].message, wrong, name)
    clear_errors()
end
expectList(elements("Attributes"), {"a", "b", "c", "z"}, "a refused parameter adds no elements")

print("normalize scenario passed")
