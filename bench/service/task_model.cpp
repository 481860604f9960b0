#include "service/task_model.hpp"

#include "molvo/model.hpp"
#include "molvo/molvo3.h"

namespace flk::bench {

ModelLog& modelLog() {
    static ModelLog log;
    return log;
}

void declareTaskModel() {
    auto& m = molvo::model();
    for (const wchar_t* set : {L"flk::api::RequestAttribute", L"flk::api::RequestHeader", L"flk::api::RequestParameter", L"ServiceNames"}) {
        molvo::SetDeclaration d;
        d.indices = {std::wstring(set) + L"_i"};
        m.declareSet(set, d);
    }
    auto text = [&](const wchar_t* name, const wchar_t* set) {
        m.declareParameter(name, molvo::ParameterDeclaration{{std::wstring(set) + L"_i"}, molvo::Storage::String, std::wstring(), L""});
    };
    text(L"flk::api::RequestAttrs", L"flk::api::RequestAttribute");
    text(L"flk::api::Headers", L"flk::api::RequestHeader");
    text(L"flk::api::RequestPars", L"flk::api::RequestParameter");
    text(L"Services", L"ServiceNames");
    m.declareProcedure(L"Solve", {}, [](auto&) { return 1; });
    m.assign(L"ServiceNames", {L"solve"}, 1.0);
    m.assign(L"Services", {L"solve"}, std::wstring(L"Solve"));
    m.declareProcedure(L"flk::api::HandleRequest", {MOLVO_ARG_INPUT_STRING}, [](auto&) {
        auto id = std::get<std::wstring>(molvo::model().get(L"flk::api::RequestAttrs", {L"id"}));
        modelLog().ids.insert(std::string(id.begin(), id.end()));
        ++modelLog().runs;
        return 1;
    });
}

}  // namespace flk::bench
