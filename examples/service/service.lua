-- A model that serves two services over HTTP: "upper" answers the request body in capitals,
-- "count" answers how many bytes it got. It yields to the service for the given number of seconds
-- (default 60) on the given port (default 8765), then stops it. Run from the repository root:
--   FERROLINK_SERVICE_HOST=127.0.0.1 build/libs/molvo/molvo-sim examples/service/service.lua 60
local seconds = tonumber(arg[1] or "60")
local port = tonumber(arg[2] or "8765")
local data = os.getenv("TMPDIR") or "/tmp"
data = data .. "/ferrolink-service-example"
os.execute("mkdir -p " .. data)

set("flk::api::RequestAttribute", {index = "ra"})
set("flk::api::RequestHeader", {index = "rh"})
set("flk::api::RequestParameter", {index = "rp"})
parameter("flk::api::RequestAttrs", {index = {"ra"}, type = "string", default = ""})
parameter("flk::api::Headers", {index = {"rh"}, type = "string", default = ""})
parameter("flk::api::RequestPars", {index = {"rp"}, type = "string", default = ""})
set("ServiceNames", {index = "sn", elements = {"upper", "count"}})
parameter("Services", {index = {"sn"}, type = "string", default = ""})
assign("Services", {"upper"}, "Upper")
assign("Services", {"count"}, "Count")

local function request()
  local file = assert(io.open(get("flk::api::RequestAttrs", "request-data-path"), "rb"))
  local body = file:read("a")
  file:close()
  return body
end

local function respond(text)
  local file = assert(io.open(get("flk::api::RequestAttrs", "response-data-path"), "wb"))
  file:write(text)
  file:close()
end

procedure("Upper", {}, function() return 1 end)
procedure("Count", {}, function() return 1 end)
-- Every task arrives here with the procedure of its service.
procedure("flk::api::HandleRequest", {"string"}, function(service)
  if service == "Upper" then respond(string.upper(request()))
  elseif service == "Count" then respond(tostring(#request()) .. " bytes\n")
  else return 2 end
  return 1
end)

assert(flk.InitService("") == 1)
assert(flk.StartAPIService(port, 1, data, handle("Services")) == 1, "the service did not start")
print("serving on port " .. port .. " for " .. seconds .. " s")
local deadline = os.time() + seconds
while os.time() < deadline do
  flk.YieldForAPIServiceTaskFunc(500)
end
assert(flk.StopAPIService() == 1)
print("stopped")
