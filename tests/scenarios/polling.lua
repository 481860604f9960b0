-- Poll and StopPolling as a model uses them: a procedure called while the model idles until it
-- returns 0, the model stopping another, the bad requests with their messages, a procedure that
-- fails, and a program that ends while it still polls.
local check = dofile("lib/checks.lua")
local expect, expectError = check.expect, check.expectError

local ticks, others, faults = 0, 0, 0
procedure("Tick", {}, function()
    ticks = ticks + 1
    if ticks < 3 then return 1 end
    return 0
end)
procedure("Other", {}, function() others = others + 1 return 1 end)
procedure("Faulty", {}, function() faults = faults + 1 error("out of work") end)
procedure("WithArgument", {"numeric"}, function() return 1 end)

-- The model idles in short turns until done() holds, ten seconds at most.
local function idleUntil(done)
    for _ = 1, 2000 do
        if done() then return true end
        idle(5)
    end
    return done()
end

expect(flk.StopPolling(), 1, "StopPolling before any Poll")
expect(flk.Poll("Tick", 20), 1, "Poll Tick")
assert(idleUntil(function() return ticks >= 3 end), "Tick is called until it returns 0")
idle(200)
expect(ticks, 3, "no call after the 0 result")

expect(flk.Poll("Missing", 20), 0, "unknown procedure")
expectError("Poll: Polling procedure Missing does not exist", "unknown procedure")
expect(flk.Poll("WithArgument", 20), 0, "procedure with an argument")
expectError("Poll: Polling procedure WithArgument cannot have arguments", "procedure with an argument")
expect(flk.Poll("Other", 0), 0, "zero interval")
expectError("Poll: Polling interval 0 ms of procedure Other is not positive: give an interval of at least 1 ms",
            "zero interval")

expect(flk.Poll("Other", 20), 1, "Poll Other")
assert(idleUntil(function() return others >= 2 end), "Other is called repeatedly")
expect(flk.StopPolling(), 1, "StopPolling")
local stoppedAt = others
idle(200)
expect(others, stoppedAt, "no call after StopPolling")

expect(flk.Poll("Faulty", 20), 1, "Poll Faulty")
assert(idleUntil(function() return faults >= 1 end), "Faulty is called")
idle(200)
expect(faults, 1, "a failing procedure stops polling")
check.expectNoErrors("polling")

-- The program ends while Other is still polled: the library stops and joins its thread at exit.
expect(flk.Poll("Other", 20), 1, "Poll Other again")
idle(50)
