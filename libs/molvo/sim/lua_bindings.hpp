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

// A Lua error is a longjmp: it skips the destructors of every C++ frame between the error and the
// protected call that catches it. So no Lua error may be raised while C++ objects live: functions
// that hold any check their arguments with the functions below, which throw std::invalid_argument
// (with Lua's own wording) instead of raising, read tables without metamethods, and leave raising
// to `guarded`. Only running out of memory inside Lua can still raise from within such frames.
const char* checkString(lua_State* L, int index);          // a string, or a number as its text
lua_Integer checkInteger(lua_State* L, int index);          // an integer, or a boolean as 0 or 1
void checkType(lua_State* L, int index, int type);
// Pushes t[field] of the table at `index`, bypassing metamethods, and returns its type.
int rawField(lua_State* L, int index, const char* field);
// The string at the top of the stack, read from field `field` of argument `argument` (from a list
// element of the argument when `field` is null).
const char* checkListString(lua_State* L, int argument, const char* field);

// Runs a C++ body for a Lua function: a C++ exception becomes a Lua error with the script position,
// raised once the body's objects are destroyed.
template <class Body>
int guarded(lua_State* L, Body&& body) {
    bool failed = false;
    int results = 0;
    try {
        results = body();
    } catch (const std::exception& e) {
        lua_pushstring(L, e.what());
        failed = true;
    }
    if (!failed) return results;
    luaL_where(L, 1);
    lua_insert(L, -2);
    lua_concat(L, 2);
    return lua_error(L);
}

}  // namespace molvo::sim
