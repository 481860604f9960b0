// A model for mapping tests (orders with customers, products and quantities) and helpers that
// run mapping files and documents through the real exports.
#pragma once

#include "ferrolink/ferrolink.h"
#include "frame/utf8.hpp"
#include "mapping/mapping.hpp"
#include "support/host_fixture.hpp"

#include <cctype>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

namespace flk::test {

// Orders with customers and totals, and nested lines with products and quantities: the mapping
// most read and write cases share.
inline const char* const kOrders = R"(<MolvoJSONMapping>
  <ArrayMapping>
    <ObjectMapping>
      <ValueMapping name="id" binds-to="o"/>
      <ValueMapping name="customer" maps-to="Customer"/>
      <ValueMapping name="total" maps-to="Total"/>
      <ArrayMapping name="lines">
        <ObjectMapping>
          <ValueMapping name="product" binds-to="p"/>
          <ValueMapping name="qty" maps-to="Qty"/>
        </ObjectMapping>
      </ArrayMapping>
    </ObjectMapping>
  </ArrayMapping>
</MolvoJSONMapping>)";

// Names a table case's test after its title, every character but letters and digits made '_'.
struct CaseTitle {
    template <class Info>
    std::string operator()(const Info& info) const {
        std::string name = info.param.title;
        for (char& ch : name)
            if (!std::isalnum(static_cast<unsigned char>(ch))) ch = '_';
        return name;
    }
};

// A value the model holds before a write case runs.
struct Assign {
    const wchar_t* identifier;
    std::vector<std::wstring> tuple;
    molvo::Value value;
};

class MappingTest : public HostTest {
protected:
    void SetUp() override {
        HostTest::SetUp();
        dir_ = std::filesystem::temp_directory_path() /
               ("flk-mapping-" + std::to_string(::getpid()) + "-" +
                ::testing::UnitTest::GetInstance()->current_test_info()->name());
        std::filesystem::create_directories(dir_);
        declareOrders();
        DeleteAllStreams();
    }
    // Mappings hold handles of this model: they go with it, before a later test's model reuses
    // the handle numbers.
    void TearDown() override {
        clearMappings();
        std::filesystem::remove_all(dir_);
    }

    void declareOrders() {
        set(L"Orders", L"o", {});
        set(L"Products", L"p", {L"apple", L"pear"});
        set(L"Lines", L"l", {});
        molvo::SetDeclaration fruit;
        fruit.indices = {L"f"};
        fruit.subsetOf = L"Products";
        fruit.elements = {L"apple"};
        model().declareSet(L"Fruit", fruit);
        parameter(L"Customer", {L"o"}, molvo::Storage::String, std::wstring());
        parameter(L"Total", {L"o"}, molvo::Storage::Numeric, 0.0);
        parameter(L"Qty", {L"o", L"p"}, molvo::Storage::Integer, 0.0);
        parameter(L"Price", {L"p"}, molvo::Storage::Numeric, 0.0);
        parameter(L"Count", {L"p"}, molvo::Storage::Integer, 0.0);
        parameter(L"Label", {L"p"}, molvo::Storage::String, std::wstring());
        parameter(L"Present", {L"p"}, molvo::Storage::Numeric, 0.0);
        parameter(L"Keep", {L"p"}, molvo::Storage::Numeric, 0.0);
        parameter(L"Note", {L"l"}, molvo::Storage::String, std::wstring());
        parameter(L"Title", {}, molvo::Storage::String, std::wstring());
        parameter(L"Favourite", {L"o"}, molvo::Storage::Element, std::wstring(), L"Products");
    }
    void set(const std::wstring& name, const std::wstring& index, std::vector<std::wstring> elements) {
        molvo::SetDeclaration declaration;
        declaration.indices = {index};
        declaration.elements = std::move(elements);
        model().declareSet(name, declaration);
    }
    void parameter(const std::wstring& name, std::vector<std::wstring> indices, molvo::Storage storage,
                   molvo::Value def, std::wstring range = L"") {
        model().declareParameter(name, molvo::ParameterDeclaration{std::move(indices), storage, std::move(def), std::move(range)});
    }

    // Assigns the values of a write case, the orders, products and lines they name first made
    // elements of their sets.
    void assignAll(const std::vector<Assign>& data) {
        for (const Assign& a : data) {
            for (size_t k = 0; k < a.tuple.size(); ++k) {
                std::wstring id = a.identifier;
                const wchar_t* set = id == L"Note" ? L"Lines"
                                     : id == L"Favourite" || id == L"Customer" || id == L"Total" || (id == L"Qty" && k == 0)
                                         ? L"Orders"
                                         : L"Products";
                model().assign(set, {a.tuple[k]}, 1.0);
            }
            model().assign(a.identifier, a.tuple, a.value);
        }
    }

    std::wstring file(const std::string& name, const std::string& text) {
        std::filesystem::path path = dir_ / name;
        std::ofstream(path, std::ios::binary) << text;
        return path.wstring();
    }
    std::wstring path(const std::string& name) { return (dir_ / name).wstring(); }
    std::string read(const std::wstring& file) {
        std::ifstream in(std::filesystem::path(file), std::ios::binary);
        std::stringstream s;
        s << in.rdbuf();
        return s.str();
    }
    int addMapping(const std::string& name, const std::string& xml) {
        return AddMapping(fromUtf8(name).c_str(), file(name + ".xml", xml).c_str());
    }
    int readText(const std::string& mapping, const std::string& json, int emptyReferenced = 0, int resetCounters = 0) {
        return ReadFromFile(file("doc.json", json).c_str(), fromUtf8(mapping).c_str(), emptyReferenced, 0, resetCounters);
    }
    std::string writeText(const std::string& mapping, int pretty = 0) {
        std::wstring out = path("out.json");
        if (!WriteToFile(out.c_str(), fromUtf8(mapping).c_str(), pretty)) return "<failed>";
        return read(out);
    }

    // "tuple=value" entries in host order, separated by blanks; tuples joined by ",".
    std::string contents(const std::wstring& identifier) {
        std::string out;
        for (const auto& entry : model().data(identifier)) {
            if (!out.empty()) out += ' ';
            std::wstring tuple;
            for (const auto& e : entry.tuple) tuple += (tuple.empty() ? L"" : L",") + e;
            out += toUtf8(tuple) + "=";
            if (const double* d = std::get_if<double>(&entry.value)) {
                char buffer[32];
                std::snprintf(buffer, sizeof buffer, "%g", *d);
                out += buffer;
            } else {
                out += toUtf8(std::get<std::wstring>(entry.value));
            }
        }
        return out;
    }
    std::string errorsJoined() {
        std::string out;
        for (const auto& e : errorTexts()) out += toUtf8(e) + "\n";
        return out;
    }

    std::filesystem::path dir_;
};

}  // namespace flk::test
