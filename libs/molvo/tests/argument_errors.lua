-- Argument errors caught by pcall free everything their call had built. A Lua error is a longjmp:
-- raised over C++ frames it would skip their destructors and leak what they held (the output
-- buffers of an export, the declaration of a set), tens of kilobytes per call.
local function check(condition, what) if not condition then error("failed: " .. what, 2) end end

local function residentKb()
  for line in io.lines("/proc/self/status") do
    local kb = line:match("^VmRSS:%s*(%d+)")
    if kb then return tonumber(kb) end
  end
end

set("Products", {index = "p"})
parameter("Price", {index = {"p"}, default = 0})

-- Each call fails on an argument that comes after others were already taken in (the nil of an
-- export stands for its output buffer).
local calls = {
  {function() flk.NormalizeUCString("text", nil, "no form") end,
   "bad argument #3 to 'NormalizeUCString' (number expected, got string)"},
  {function() flk.AddMapping("m") end, "bad argument #2 to 'AddMapping' (string expected, got no value)"},
  {function() flk.QueryMapEncode(1.5) end, "bad argument #1 to 'QueryMapEncode' (number has no integer representation)"},
  {function() set(nil, {index = "q"}) end, "bad argument #1 to 'set' (string expected, got nil)"},
  {function() set("S", {index = {"s", {}}}) end, "bad argument #2 to 'set' (field 'index': string expected, got table)"},
  {function() parameter("P", {index = "p", type = {}}) end,
   "bad argument #2 to 'parameter' (field 'type': string expected, got table)"},
  {function() procedure("Proc", {"string", {}}, print) end,
   "bad argument #2 to 'procedure' (a list element: string expected, got table)"},
  {function() procedure("Proc", {"string"}, "not a function") end,
   "bad argument #3 to 'procedure' (function expected, got string)"},
  {function() get("Price", {"apple", {}}) end, "bad argument #2 to 'get' (a list element: string expected, got table)"},
}

local function failAll()
  for _, c in ipairs(calls) do
    local ok, message = pcall(c[1])
    check(not ok, c[2])
    check(message:find(c[2], 1, true), "message: " .. tostring(message) .. ", expected " .. c[2])
  end
end

failAll()   -- warms up whatever is allocated once
local before = residentKb()
for _ = 1, 500 do failAll() end
local grown = residentKb() - before
check(grown < 4096 or arg[1] == "skip-growth-check", "500 rounds of argument errors grew the process by " .. grown .. " kB")

-- Tables are read without their metamethods, which could raise errors of their own.
local trap = setmetatable({}, {__index = function() error("a metamethod was called") end})
check(pcall(set, "Trapped", trap), "a table with a raising __index")
