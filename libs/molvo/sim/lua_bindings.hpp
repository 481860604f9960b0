// The Lua side of molvo-sim: the model functions and the flk table of library exports.
#pragma once

#include <lua.hpp>

#include <exception>
#include <string>

namespace molvo::sim {

// Registers set, parameter, procedure, get, assign, elements, data, card, empty, handle, errors,
// clear_errors, idle and interrupted as globals.
void registerModelFunctions(lua_State* L);

// Loads the library and registers each of its exports as flk.<Name>; throws std::runtime_error
// when the library or one of its exports cannot be found.
void registerExports(lua_State* L, const std::string& libraryPath);

// Runs a C++ body for a Lua function: a C++ exception becomes a Lua error with the script position.
template <class Body>
int guarded(lua_State* L, Body&& body) {
    bool failed = false;
    int results = 0;
    try {
        results = body();
    } catch (const std::exception& e) {
        luaL_where(L, 1);
        lua_pushstring(L, e.what());
        lua_concat(L, 2);
        failed = true;
    }
    return failed ? lua_error(L) : results;
}

}  // namespace molvo::sim
