#include "quaynet/quaynet.hpp"

#include <gtest/gtest.h>

namespace {

TEST(QuaynetContentTypes, ByExtensionWithoutLetterCase) {
    auto types = GetModule()->contentTypes();
    const std::pair<const char*, const char*> cases[] = {
        {"orders.json", "application/json"},
        {"/data/Report.XLSX", "application/vnd.openxmlformats-officedocument.spreadsheetml.sheet"},
        {"table.csv", "text/csv"},
        {"archive.tar.gz", "application/gzip"},
        {"README", "application/octet-stream"},
        {"dir.d/noextension", "application/octet-stream"},
        {"strange.zzz", "application/octet-stream"},
        {"trailing.", "application/octet-stream"},
    };
    for (const auto& [name, type] : cases) EXPECT_EQ(types->lookup(name), type) << name;
    EXPECT_EQ(GetModule()->contentTypes(), types);
}

}  // namespace
