// flk.<Name> for every library export. Each export is called through its own prototype from the
// library's header: Lua arguments are converted to the parameter types, output buffers are
// provided by the host, and their contents come back as extra results after the int result.
#include "ferrolink/ferrolink.h"
#include "lua_bindings.hpp"
#include "wide_text.hpp"

#include <dlfcn.h>

#include <deque>
#include <istream>
#include <ostream>
#include <stdexcept>
#include <tuple>
#include <utility>
#include <vector>

namespace molvo::sim {
namespace {

// Output buffers are larger than any the library's contract asks for.
constexpr size_t kOutputBufferSize = 8192;

// Holds what the arguments of one call point to, and collects the outputs.
class Marshal {
public:
    explicit Marshal(lua_State* L) : L_(L) {}

    template <class T>
    T get(int index);

    // Pushes the outputs in the order of their arguments.
    int pushOutputs() {
        size_t w = 0, t = 0, i = 0;
        for (char kind : outputOrder_) {
            if (kind == 'w') lua_pushstring(L_, narrow(wideOut_[w++].data()).c_str());
            else if (kind == 't') lua_pushstring(L_, textOut_[t++].data());
            else lua_pushinteger(L_, intOut_[i++]);
        }
        return int(outputOrder_.size());
    }

private:
    lua_State* L_;
    std::deque<std::wstring> wideIn_;
    std::deque<std::vector<wchar_t>> wideOut_;
    std::deque<std::vector<char>> textOut_;
    std::deque<int> intOut_;
    std::string outputOrder_;
};

template <>
const wchar_t* Marshal::get<const wchar_t*>(int i) { return wideIn_.emplace_back(widen(checkString(L_, i))).c_str(); }
template <>
wchar_t* Marshal::get<wchar_t*>(int) { outputOrder_ += 'w'; return wideOut_.emplace_back(kOutputBufferSize, L'\0').data(); }
template <>
const char* Marshal::get<const char*>(int i) { return checkString(L_, i); }
template <>
char* Marshal::get<char*>(int) { outputOrder_ += 't'; return textOut_.emplace_back(kOutputBufferSize, '\0').data(); }
template <>
int Marshal::get<int>(int i) { return int(checkInteger(L_, i)); }
template <>
int* Marshal::get<int*>(int) { outputOrder_ += 'i'; return &intOut_.emplace_back(0); }
// In-process streams cannot come from a script: nil stands for "no stream".
template <>
std::istream* Marshal::get<std::istream*>(int) { return nullptr; }
template <>
std::ostream* Marshal::get<std::ostream*>(int) { return nullptr; }

template <class... A, size_t... I>
int call(lua_State* L, int (*fn)(A...), std::index_sequence<I...>) {
    Marshal m(L);
    std::tuple<A...> args{m.template get<A>(int(I) + 1)...};
    int result = std::apply(fn, args);
    lua_pushinteger(L, result);
    return 1 + m.pushOutputs();
}

template <class... A>
int trampoline(lua_State* L) {
    auto fn = reinterpret_cast<int (*)(A...)>(lua_touserdata(L, lua_upvalueindex(1)));
    return guarded(L, [&] { return call(L, fn, std::index_sequence_for<A...>{}); });
}

template <class... A>
void bind(lua_State* L, void* library, const char* name, int (*)(A...)) {
    void* symbol = dlsym(library, name);
    if (!symbol) throw std::runtime_error(std::string("the library lacks the export ") + name);
    lua_pushlightuserdata(L, symbol);
    lua_pushcclosure(L, &trampoline<A...>, 1);
    lua_setfield(L, -2, name);
}

}  // namespace

void registerExports(lua_State* L, const std::string& libraryPath) {
    void* library = dlopen(libraryPath.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!library) throw std::runtime_error(std::string("cannot load ") + libraryPath + ": " + dlerror());
    lua_newtable(L);
#define FLK_BIND(Name) bind(L, library, #Name, static_cast<decltype(&Name)>(nullptr));
    FERROLINK_EXPORTS(FLK_BIND)
#undef FLK_BIND
    lua_setglobal(L, "flk");
}

}  // namespace molvo::sim
