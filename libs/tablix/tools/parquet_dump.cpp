// parquet-dump FILE: prints a Parquet file's schema and its rows as CSV.
#include <cstdio>
#include <iostream>
#include <string>

#include "FileIO.h"
#include "ferrolink_version.hpp"
#include "MemoryErrors.h"
#include "ParquetReader.h"
#include "tablix/ArrowTable.h"
#include "tablix/ValueText.h"

namespace {

// CSV field quoting: nulls are empty, an empty string is "".
std::string csvField(const tablix::Value& v) {
    if (v.isNull) return {};
    const std::string text = tablix::toText(v);
    if (!text.empty() && text.find_first_of(",\"\r\n") == std::string::npos) return text;
    std::string quoted = "\"";
    for (char c : text) {
        if (c == '"') quoted += '"';
        quoted += c;
    }
    return quoted + "\"";
}

void printSchema(const tablix::ParquetFile& file) {
    std::cout << "# schema: " << file.columns.size() << " columns, " << file.rowCount << " rows, "
              << file.metadata.rowGroups.size() << " row groups\n";
    std::cout << "column,physical,logical,storage\n";
    for (const tablix::ColumnPlan& c : file.columns) {
        std::cout << c.name << ',' << c.physicalName << ',' << c.logicalName << ',' << c.storage << ' ' << tablix::storageTypeName(c.storage);
        if (!c.unsupportedReason.empty()) std::cout << " (" << c.unsupportedReason << ")";
        std::cout << '\n';
    }
}

void printRows(const tablix::IArrowTable& table) {
    std::cout << "# rows\n";
    std::string line;
    for (int32_t c = 0; c < table.columnCount(); ++c) line += (c ? "," : "") + table.columnName(c);
    std::cout << line << '\n';
    for (int64_t r = 0; r < table.rowCount(); ++r) {
        line.clear();
        for (int32_t c = 0; c < table.columnCount(); ++c) {
            if (c) line += ',';
            line += csvField(table.value(c, r));
        }
        std::cout << line << '\n';
    }
}

}  // namespace

int main(int argc, char** argv) {
    if (ferrolink::answersStandardOption(argc, argv, "parquet-dump", "parquet-dump FILE",
                                         "Shows a Parquet file: its schema, then its rows as CSV."))
        return 0;
    if (argc != 2) {
        std::fprintf(stderr, "usage: parquet-dump FILE\n");
        return 2;
    }
    try {
        tablix::withMemoryErrors([&] {
            const std::vector<uint8_t> bytes = tablix::readWholeFile(argv[1]);
            printSchema(tablix::openParquet(bytes.data(), bytes.size()));
            auto table = tablix::IArrowTable::create();
            table->readParquet(bytes.data(), bytes.size());
            printRows(*table);
        }, [] { return "reading the file"; });
    } catch (const tablix::Exception& e) {
        std::cout.flush();
        std::fprintf(stderr, "parquet-dump: %s: %s\n", argv[1], e.what());
        return 1;
    }
    return 0;
}
