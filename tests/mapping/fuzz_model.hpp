// The fixed model the mapping fuzz targets run against, declared once per process.
#pragma once

#include "molvo/model.hpp"

#include <unistd.h>

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
