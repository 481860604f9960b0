// molvo-sim SCRIPT.lua [ARGS]: runs a model written in Lua with libferrolink.so loaded as its
// external procedure library. A failing script ends the program with status 1 and its position.
#include "ferrolink_version.hpp"
#include "lua_bindings.hpp"
#include "molvo/model.hpp"

#include <cstdio>
#include <cstdlib>
#include <exception>
#include <filesystem>
#include <string>


namespace {

constexpr char kUsage[] = "molvo-sim SCRIPT.lua [ARGS]";
constexpr char kAbout[] =
    "Runs a model written in Lua with the Ferrolink library loaded as its external procedure library;\n"
    "the script's arguments are in the table arg. The library is FERROLINK_LIBRARY when set, else the\n"
    "one installed beside this program (or, in a build tree, the one built with it).";

// The library comes from FERROLINK_LIBRARY when set, else from the installed library folder beside
// this program's (../lib), else from the build that made it. The path is worked out here rather
// than left to the run path: a sanitizer's dlopen does not search the program's run path.
std::string libraryPath() {
    const char* env = std::getenv("FERROLINK_LIBRARY");
    if (env && *env) return env;
    std::error_code error;
    const std::filesystem::path self = std::filesystem::read_symlink("/proc/self/exe", error);
    const std::filesystem::path installed = self.parent_path().parent_path() / FERROLINK_INSTALLED_LIBRARY;
    if (!error && std::filesystem::exists(installed, error)) return installed.string();
    return FERROLINK_BUILT_LIBRARY;
}

void setArguments(lua_State* L, int argc, char** argv) {
    lua_createtable(L, argc, 1);
    for (int i = 0; i < argc; ++i) {
        lua_pushstring(L, argv[i]);
        lua_rawseti(L, -2, i - 1);   // arg[0] is the script, as with the lua interpreter
    }
    lua_setglobal(L, "arg");
}

int traceback(lua_State* L) {
    const char* message = lua_tostring(L, 1);
    luaL_traceback(L, L, message ? message : "(error object is not a string)", 1);
    return 1;
}

}  // namespace

int main(int argc, char** argv) {
    if (ferrolink::answersStandardOption(argc, argv, "molvo-sim", kUsage, kAbout)) return 0;
    if (argc < 2) {
        std::fprintf(stderr, "usage: %s\n", kUsage);
        return 2;
    }
    lua_State* L = luaL_newstate();
    luaL_openlibs(L);
    molvo::beginModelRun();
    try {
        molvo::sim::registerModelFunctions(L);
        molvo::sim::registerExports(L, libraryPath());
    } catch (const std::exception& e) {
        std::fprintf(stderr, "molvo-sim: %s\n", e.what());
        return 1;
    }
    setArguments(L, argc, argv);
    lua_pushcfunction(L, traceback);
    int status = luaL_loadfile(L, argv[1]);
    if (status == LUA_OK) status = lua_pcall(L, 0, 0, -2);
    if (status != LUA_OK) {
        std::fprintf(stderr, "molvo-sim: %s\n", lua_tostring(L, -1));
        return 1;
    }
    molvo::model().clear();   // procedures refer to the Lua state: drop them first
    lua_close(L);
    return 0;
}
