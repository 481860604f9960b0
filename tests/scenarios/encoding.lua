-- ConvertFileToEncoding as a model calls it: UTF-8 with CR and LF line ends to WINDOWS-1252 and
-- back, compared with what glibc's iconv tool makes of the same text; failures give 0 and raise
-- nothing.

local expect = dofile("lib/checks.lua").expect

local function readAll(path)
    local f = assert(io.open(path, "rb"))
    local data = f:read("a")
    f:close()
    return data
end

local function writeAll(path, data)
    local f = assert(io.open(path, "wb"))
    f:write(data)
    f:close()
end

local temporary = {}
local function tempFile()
    local path = os.tmpname()
    temporary[#temporary + 1] = path
    return path
end

local ok, failure = pcall(function()
    local input, crlf, expected, converted, back = tempFile(), tempFile(), tempFile(), tempFile(), tempFile()
    writeAll(input, "Gr\u{FC}\u{DF}e\rcaf\u{E9} \u{20AC} 5\n\u{201C}quoted\u{201D}\r\nlast")
    local original = "Gr\u{FC}\u{DF}e\r\ncaf\u{E9} \u{20AC} 5\r\n\u{201C}quoted\u{201D}\r\nlast"
    writeAll(crlf, original)
    assert(os.execute("iconv -f UTF-8 -t WINDOWS-1252 '" .. crlf .. "' > '" .. expected .. "'"),
           "the iconv tool failed")

    expect(flk.ConvertFileToEncoding(input, "UTF-8", converted, "WINDOWS-1252", 0), 1, "to WINDOWS-1252")
    expect(readAll(converted), readAll(expected), "WINDOWS-1252 bytes beside iconv's")
    expect(flk.ConvertFileToEncoding(converted, "WINDOWS-1252", back, "UTF-8", 1), 1, "back to UTF-8")
    expect(readAll(back), original, "the way back")

    expect(flk.ConvertFileToEncoding(input, "no-such-encoding", converted, "UTF-8", 1), 0, "unknown input encoding")
    expect(flk.ConvertFileToEncoding(input, "UTF-8", converted, "no-such-encoding", 1), 0, "unknown output encoding")
    writeAll(input, "fine\nthen \xFF broken")
    expect(flk.ConvertFileToEncoding(input, "UTF-8", converted, "WINDOWS-1252", 1), 0, "input that is not UTF-8")
    expect(readAll(converted), "fine\r\nthen ", "what came before the bad byte is kept")
    expect(#errors(), 0, "failures raise nothing")
end)
for _, path in ipairs(temporary) do os.remove(path) end
if not ok then error(failure, 0) end
