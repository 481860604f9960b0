// The fixed model the mapping fuzz targets run against, declared once per process.
#pragma once

#include "ferrolink/ferrolink.h"
#include "molvo/model.hpp"

#include <unistd.h>

#include <cstdio>
#include <cwchar>
#include <filesystem>
#include <string>
#include <system_error>

namespace flk::fuzz {

// Where the targets put the files they hand to the exports: a folder of this process, memory-backed
// when the system has it, so that every run does not wait for a disk, and removed when the
// process ends (the corpus replays run as tests, again and again).
inline std::string scratchPath(const char* name) {
    struct Folder {
        std::filesystem::path path;
        Folder() {
            const char* base = access("/dev/shm", W_OK) == 0 ? "/dev/shm" : "/tmp";
            path = std::filesystem::path(base) / ("flk-fuzz-" + std::to_string(::getpid()));
            std::filesystem::create_directories(path);
        }
        ~Folder() {
            std::error_code ignored;
            std::filesystem::remove_all(path, ignored);
        }
    };
    static const Folder folder;
    return (folder.path / name).string();
}

// Registers the mapping text under the name, from a file beside base; false when refused.
inline bool addMapping(const std::string& base, const wchar_t* name, const char* text) {
    std::string file = base + "-" + std::to_string(std::wcslen(name)) + ".xml";
    FILE* m = std::fopen(file.c_str(), "wb");
    std::fputs(text, m);
    std::fclose(m);
    return AddMapping(name, std::wstring(file.begin(), file.end()).c_str()) == 1;
}

inline void declareModel() {
    molvo::beginModelRun();
    molvo::Model& m = molvo::model();
    molvo::SetDeclaration orders, products;
    orders.indices = {L"o"};
    products.indices = {L"p", L"q"};
    products.elements = {L"apple", L"pear"};
    m.declareSet(L"Orders", orders);
    m.declareSet(L"Products", products);
    m.declareParameter(L"Customer", molvo::ParameterDeclaration{{L"o"}, molvo::Storage::String, std::wstring(), L""});
    m.declareParameter(L"Total", molvo::ParameterDeclaration{{L"o"}, molvo::Storage::Numeric, 0.0, L""});
    m.declareParameter(L"Qty", molvo::ParameterDeclaration{{L"o", L"p"}, molvo::Storage::Integer, 0.0, L""});
    m.declareParameter(L"Price", molvo::ParameterDeclaration{{L"p"}, molvo::Storage::Numeric, 0.0, L""});
    m.declareParameter(L"Favourite", molvo::ParameterDeclaration{{L"o"}, molvo::Storage::Element, std::wstring(), L"Products"});
    m.declareParameter(L"Title", molvo::ParameterDeclaration{{}, molvo::Storage::String, std::wstring(), L""});
}

}  // namespace flk::fuzz
