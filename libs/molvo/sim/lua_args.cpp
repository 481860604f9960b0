// Argument checks that throw instead of raising a Lua error (see lua_bindings.hpp).
#include "lua_bindings.hpp"

#include <stdexcept>

namespace molvo::sim {
namespace {

// "bad argument #2 to 'set' (string expected, got nil)", as Lua words it.
[[noreturn]] void badArgument(lua_State* L, int index, const std::string& problem) {
    lua_Debug call;
    const char* name = lua_getstack(L, 0, &call) && lua_getinfo(L, "n", &call) && call.name ? call.name : "?";
    throw std::invalid_argument("bad argument #" + std::to_string(index) + " to '" + name + "' (" + problem + ")");
}

[[noreturn]] void typeError(lua_State* L, int index, const char* expected) {
    badArgument(L, index, std::string(expected) + " expected, got " + luaL_typename(L, index));
}

}  // namespace

const char* checkString(lua_State* L, int index) {
    const int type = lua_type(L, index);
    if (type != LUA_TSTRING && type != LUA_TNUMBER) typeError(L, index, "string");
    return lua_tostring(L, index);
}

lua_Integer checkInteger(lua_State* L, int index) {
    if (lua_isboolean(L, index)) return lua_toboolean(L, index);
    int isInteger = 0;
    const lua_Integer value = lua_tointegerx(L, index, &isInteger);
    if (isInteger) return value;
    if (lua_isnumber(L, index)) badArgument(L, index, "number has no integer representation");
    typeError(L, index, "number");
}

void checkType(lua_State* L, int index, int type) {
    if (lua_type(L, index) != type) typeError(L, index, lua_typename(L, type));
}

int rawField(lua_State* L, int index, const char* field) {
    index = lua_absindex(L, index);
    lua_pushstring(L, field);
    return lua_rawget(L, index);
}

const char* checkListString(lua_State* L, int argument, const char* field) {
    const int type = lua_type(L, -1);
    if (type != LUA_TSTRING && type != LUA_TNUMBER)
        badArgument(L, argument, (field ? "field '" + std::string(field) + "'" : std::string("a list element")) +
                                     ": string expected, got " + luaL_typename(L, -1));
    return lua_tostring(L, -1);
}

}  // namespace molvo::sim
