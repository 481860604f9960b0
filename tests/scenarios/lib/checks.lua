-- The checks every scenario script uses, loaded with `local check = dofile("lib/checks.lua")`
-- (scenarios run in tests/scenarios). A failed check is a Lua error at the caller's line.
local check = {}

function check.expect(actual, expected, what)
    if actual ~= expected then
        error(string.format("%s: got %q, expected %q", what, tostring(actual), tostring(expected)), 2)
    end
end

function check.expectList(actual, expected, what)
    check.expect(#actual, #expected, what .. " (count)")
    for i = 1, #expected do check.expect(actual[i], expected[i], what .. " [" .. i .. "]") end
end

-- The one error raised since the last check is text, or begins with it when prefixOnly is set.
function check.expectError(text, what, prefixOnly)
    local raised = errors()
    check.expect(#raised, 1, what .. ": errors raised")
    local message = raised[1].message
    check.expect(prefixOnly and message:sub(1, #text) or message, text, what)
    clear_errors()
end

-- The one error raised since the last check is text, and the one warning after it, which names
-- the place in the document, is warning.
function check.expectPlacedError(text, warning, what)
    local raised = errors()
    check.expect(#raised, 2, what .. ": messages raised")
    check.expect(raised[1].severity, 1, what .. ": an error first")
    check.expect(raised[1].message, text, what)
    check.expect(raised[2].severity, 2, what .. ": then a warning")
    check.expect(raised[2].message, warning, what .. ": the place")
    clear_errors()
end

function check.expectNoErrors(what)
    local raised = errors()
    if #raised > 0 then error(what .. ": unexpected error " .. raised[1].message, 2) end
end

-- "o,p=v" entries of an identifier in host order.
function check.contents(name)
    local out = {}
    for _, d in ipairs(data(name)) do out[#out + 1] = table.concat(d.tuple, ",") .. "=" .. tostring(d.value) end
    return table.concat(out, " ")
end

return check
