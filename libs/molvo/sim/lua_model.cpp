// The model functions of a molvo-sim script: declarations, values, errors and idling.
#include "lua_bindings.hpp"
#include "molvo/model.hpp"
#include "molvo/molvo3.h"
#include "wide_text.hpp"

#include <stdexcept>

namespace molvo::sim {
namespace {

// Every function here runs in `guarded` and checks its arguments without raising Lua errors (see
// lua_bindings.hpp): it holds C++ objects while it reads them.
std::wstring wideArg(lua_State* L, int i) { return widen(checkString(L, i)); }

// A string or a list of strings, as in {index = "p"} and {index = {"c", "c2"}}, from field `field`
// of the table argument `argument`.
std::vector<std::wstring> nameList(lua_State* L, int argument, const char* field) {
    std::vector<std::wstring> out;
    int type = rawField(L, argument, field);
    if (type == LUA_TSTRING) out.push_back(widen(lua_tostring(L, -1)));
    else if (type == LUA_TTABLE)
        for (lua_Integer i = 1; lua_rawgeti(L, -1, i) != LUA_TNIL; ++i) {
            out.push_back(widen(checkListString(L, argument, field)));
            lua_pop(L, 1);
        }
    else if (type != LUA_TNIL) throw std::invalid_argument(std::string("field ") + field + " must be a string or a list");
    lua_pop(L, type == LUA_TTABLE ? 2 : 1);
    return out;
}

// Field `field` of the table at `tableIndex` (within argument `argument`): a string, or "" when absent.
std::wstring stringField(lua_State* L, int tableIndex, int argument, const char* field) {
    rawField(L, tableIndex, field);
    std::wstring s = lua_isnil(L, -1) ? L"" : widen(checkListString(L, argument, field));
    lua_pop(L, 1);
    return s;
}

Value toValue(lua_State* L, int i) {
    if (lua_type(L, i) == LUA_TNUMBER) return lua_tonumber(L, i);
    if (lua_type(L, i) == LUA_TSTRING) return widen(lua_tostring(L, i));
    if (lua_isboolean(L, i)) return lua_toboolean(L, i) ? 1.0 : 0.0;
    throw std::invalid_argument("a value must be a number or a string");
}

void pushValue(lua_State* L, const Value& v) {
    if (const double* d = std::get_if<double>(&v)) {
        if (*d == double(lua_Integer(*d))) lua_pushinteger(L, lua_Integer(*d));
        else lua_pushnumber(L, *d);
    } else {
        lua_pushstring(L, narrow(std::get<std::wstring>(v)).c_str());
    }
}

void pushNames(lua_State* L, const std::vector<std::wstring>& names) {
    lua_createtable(L, int(names.size()), 0);
    for (size_t i = 0; i < names.size(); ++i) {
        lua_pushstring(L, narrow(names[i]).c_str());
        lua_rawseti(L, -2, lua_Integer(i + 1));
    }
}

CalendarUnit unitNamed(const std::wstring& unit) {
    static const std::pair<const wchar_t*, CalendarUnit> units[] = {
        {L"year", CalendarUnit::Year}, {L"month", CalendarUnit::Month}, {L"day", CalendarUnit::Day},
        {L"hour", CalendarUnit::Hour}, {L"minute", CalendarUnit::Minute}, {L"second", CalendarUnit::Second}};
    for (auto& [name, u] : units)
        if (unit == name) return u;
    throw std::invalid_argument("unknown calendar unit " + narrow(unit));
}

int l_set(lua_State* L) {
    return guarded(L, [&] {
        SetDeclaration declaration;
        if (lua_istable(L, 2)) {
            declaration.indices = nameList(L, 2, "index");
            declaration.elements = nameList(L, 2, "elements");
            declaration.subsetOf = stringField(L, 2, 2, "subset_of");
            if (rawField(L, 2, "calendar") == LUA_TTABLE) {
                declaration.calendar = std::make_unique<Calendar>();
                declaration.calendar->unit = unitNamed(stringField(L, -1, 2, "unit"));
                declaration.calendar->first = stringField(L, -1, 2, "first");
                declaration.calendar->last = stringField(L, -1, 2, "last");
                declaration.calendar->format = stringField(L, -1, 2, "format");
            }
            lua_pop(L, 1);
        }
        model().declareSet(wideArg(L, 1), declaration);
        return 0;
    });
}

int l_parameter(lua_State* L) {
    return guarded(L, [&] {
        ParameterDeclaration declaration;
        if (lua_istable(L, 2)) {
            declaration.indices = nameList(L, 2, "index");
            std::wstring type = stringField(L, 2, 2, "type");
            declaration.storage = type == L"integer" ? Storage::Integer : type == L"string" ? Storage::String
                           : type == L"element" ? Storage::Element : Storage::Numeric;
            if (!type.empty() && type != L"numeric" && declaration.storage == Storage::Numeric)
                throw std::invalid_argument("unknown parameter type " + narrow(type));
            declaration.range = stringField(L, 2, 2, "range");
            declaration.defaultValue = declaration.storage == Storage::String || declaration.storage == Storage::Element ? Value(std::wstring())
                                                                                                      : Value(0.0);
            if (rawField(L, 2, "default") != LUA_TNIL) declaration.defaultValue = toValue(L, -1);
            lua_pop(L, 1);
        }
        model().declareParameter(wideArg(L, 1), declaration);
        return 0;
    });
}

// A procedure body calls the Lua function kept in the registry; a Lua error fails the run.
ProcedureBody luaProcedure(lua_State* L, int functionRef) {
    return [L, functionRef](const std::vector<ProcedureArgument>& args) {
        lua_rawgeti(L, LUA_REGISTRYINDEX, functionRef);
        for (const auto& a : args) {
            if (a.type == MOLVO_ARG_INPUT_STRING) lua_pushstring(L, narrow(a.text).c_str());
            else lua_pushnumber(L, a.number);
        }
        if (lua_pcall(L, int(args.size()), 1, 0) != LUA_OK) {
            std::string message = lua_tostring(L, -1) ? lua_tostring(L, -1) : "error";
            lua_pop(L, 1);
            throw std::runtime_error(message);
        }
        int result = lua_isnil(L, -1) ? 1 : int(lua_tointeger(L, -1));
        lua_pop(L, 1);
        return result;
    };
}

int l_procedure(lua_State* L) {
    return guarded(L, [&] {
        std::vector<int> types;
        checkType(L, 2, LUA_TTABLE);
        checkType(L, 3, LUA_TFUNCTION);
        for (lua_Integer i = 1; lua_rawgeti(L, 2, i) != LUA_TNIL; ++i) {
            std::string t = checkListString(L, 2, nullptr);
            lua_pop(L, 1);
            if (t != "string" && t != "numeric") throw std::invalid_argument("argument types are \"string\" or \"numeric\"");
            types.push_back(t == "string" ? MOLVO_ARG_INPUT_STRING : MOLVO_ARG_INPUT_NUMERIC);
        }
        lua_pop(L, 1);
        lua_pushvalue(L, 3);
        int ref = luaL_ref(L, LUA_REGISTRYINDEX);
        model().declareProcedure(wideArg(L, 1), std::move(types), luaProcedure(L, ref));
        return 0;
    });
}

std::vector<std::wstring> tupleArgs(lua_State* L, int from) {
    std::vector<std::wstring> tuple;
    if (lua_istable(L, from)) {
        for (lua_Integer i = 1; lua_rawgeti(L, from, i) != LUA_TNIL; ++i) {
            tuple.push_back(widen(checkListString(L, from, nullptr)));
            lua_pop(L, 1);
        }
        lua_pop(L, 1);
        return tuple;
    }
    for (int i = from; i <= lua_gettop(L); ++i) tuple.push_back(widen(checkString(L, i)));
    return tuple;
}

int l_get(lua_State* L) {
    return guarded(L, [&] {
        pushValue(L, model().get(wideArg(L, 1), tupleArgs(L, 2)));
        return 1;
    });
}

int l_assign(lua_State* L) {
    return guarded(L, [&] {
        if (lua_gettop(L) == 2) model().assign(wideArg(L, 1), {}, toValue(L, 2));   // a scalar
        else model().assign(wideArg(L, 1), tupleArgs(L, 2), toValue(L, 3));
        return 0;
    });
}

int l_elements(lua_State* L) {
    return guarded(L, [&] {
        pushNames(L, model().elements(wideArg(L, 1)));
        return 1;
    });
}

int l_data(lua_State* L) {
    return guarded(L, [&] {
        auto entries = model().data(wideArg(L, 1));
        lua_createtable(L, int(entries.size()), 0);
        for (size_t i = 0; i < entries.size(); ++i) {
            lua_createtable(L, 0, 2);
            pushNames(L, entries[i].tuple);
            lua_setfield(L, -2, "tuple");
            pushValue(L, entries[i].value);
            lua_setfield(L, -2, "value");
            lua_rawseti(L, -2, lua_Integer(i + 1));
        }
        return 1;
    });
}

int l_card(lua_State* L) {
    return guarded(L, [&] {
        lua_pushinteger(L, lua_Integer(model().card(wideArg(L, 1))));
        return 1;
    });
}

int l_empty(lua_State* L) {
    return guarded(L, [&] {
        model().empty(wideArg(L, 1));
        return 0;
    });
}

int l_handle(lua_State* L) {
    return guarded(L, [&] {
        lua_pushinteger(L, model().handle(wideArg(L, 1)));
        return 1;
    });
}

int l_errors(lua_State* L) {
    auto errors = model().errors();
    lua_createtable(L, int(errors.size()), 0);
    for (size_t i = 0; i < errors.size(); ++i) {
        lua_createtable(L, 0, 2);
        lua_pushinteger(L, errors[i].severity);
        lua_setfield(L, -2, "severity");
        lua_pushstring(L, narrow(errors[i].message).c_str());
        lua_setfield(L, -2, "message");
        lua_rawseti(L, -2, lua_Integer(i + 1));
    }
    return 1;
}

int l_clear_errors(lua_State*) {
    model().clearErrors();
    return 0;
}

int l_idle(lua_State* L) {
    idle(int(luaL_checkinteger(L, 1)));
    return 0;
}

int l_interrupted(lua_State* L) {
    lua_pushinteger(L, model().checkInterrupt(lua_toboolean(L, 1)));
    return 1;
}

}  // namespace

void registerModelFunctions(lua_State* L) {
    static const luaL_Reg functions[] = {
        {"set", l_set}, {"parameter", l_parameter}, {"procedure", l_procedure}, {"get", l_get},
        {"assign", l_assign}, {"elements", l_elements}, {"data", l_data}, {"card", l_card},
        {"empty", l_empty}, {"handle", l_handle}, {"errors", l_errors}, {"clear_errors", l_clear_errors},
        {"idle", l_idle}, {"interrupted", l_interrupted}, {nullptr, nullptr}};
    for (const luaL_Reg* f = functions; f->name; ++f) lua_register(L, f->name, f->func);
}

}  // namespace molvo::sim
