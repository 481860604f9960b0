// A fresh simulated model for each test, with the test's thread running it (holding control).
#pragma once

#include "molvo/model.hpp"
#include "molvo/molvo3.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace flk::test {

class HostTest : public ::testing::Test {
protected:
    void SetUp() override {
        static const bool running = (molvo::beginModelRun(), true);
        (void)running;
        molvo::model().clear();
    }
    molvo::Model& model() { return molvo::model(); }

    std::vector<std::wstring> errorTexts() const {
        std::vector<std::wstring> out;
        for (const auto& e : molvo::model().errors()) out.push_back(e.message);
        return out;
    }
    // Declares Products with index p, Cities with c and its subset Big with bc, and parameters over them.
    void declareShop() {
        molvo::SetDeclaration products;
        products.indices = {L"p"};
        products.elements = {L"apple", L"pear"};
        model().declareSet(L"Products", products);
        molvo::SetDeclaration cities;
        cities.indices = {L"c"};
        cities.elements = {L"Paris", L"Oslo", L"Rome"};
        model().declareSet(L"Cities", cities);
        molvo::SetDeclaration big;
        big.indices = {L"bc"};
        big.subsetOf = L"Cities";
        big.elements = {L"Paris"};
        model().declareSet(L"Big", big);
        model().declareParameter(L"Price", molvo::ParameterDeclaration{{L"p"}, molvo::Storage::Numeric, 0.0, L""});
        model().declareParameter(L"Stock", molvo::ParameterDeclaration{{L"p", L"c"}, molvo::Storage::Integer, 0.0, L""});
        model().declareParameter(L"Label", molvo::ParameterDeclaration{{L"p"}, molvo::Storage::String, std::wstring(L"none"), L""});
        model().declareParameter(L"Capital", molvo::ParameterDeclaration{{L"bc"}, molvo::Storage::Numeric, 0.0, L""});
        model().declareParameter(L"Best", molvo::ParameterDeclaration{{}, molvo::Storage::Element, std::wstring(), L"Products"});
    }
};

inline std::wstring lastHostErrorText(int* code = nullptr) {
    int c = 0;
    wchar_t text[MOLVO_MESSAGE_SIZE];
    MolvoAPILastErrorW(&c, text);
    if (code) *code = c;
    return text;
}

}  // namespace flk::test
