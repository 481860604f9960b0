// CSV documents through the real exports, over the orders model of the mapping tests.
#pragma once

#include "support/mapping_fixture.hpp"

#include <string>

namespace flk::test {

class CsvTest : public MappingTest {
protected:
    int readCsv(const std::string& mapping, const std::string& text, int emptyReferenced = 0, int resetCounters = 0) {
        return ReadFromFile(file("doc.csv", text).c_str(), fromUtf8(mapping).c_str(), emptyReferenced, 0, resetCounters);
    }
    // The text written, or "<failed>".
    std::string writeCsv(const std::string& mapping) {
        std::wstring out = path("out.csv");
        if (!WriteToFile(out.c_str(), fromUtf8(mapping).c_str(), 0)) return "<failed>";
        return read(out);
    }
    std::string documentName() { return toUtf8(path("doc.csv")); }
};

// The mappings most cases share: products with their prices, counts and labels, keyed by the
// product column; order lines numbered by the row; quantities in a column per order.
inline const char* const kCsvProducts = R"(<MolvoCSVMapping><CSVTableMapping>
  <CSVColumnMapping name="product" binds-to="p"/><CSVColumnMapping name="price" maps-to="Price"/>
  <CSVColumnMapping name="count" maps-to="Count"/><CSVColumnMapping name="label" maps-to="Label"/>
</CSVTableMapping></MolvoCSVMapping>)";
inline const char* const kCsvNotes = R"(<MolvoCSVMapping><CSVTableMapping iterative-binds-to="l" iterative-prefix="line-">
  <CSVColumnMapping name="note" maps-to="Note"/></CSVTableMapping></MolvoCSVMapping>)";
inline const char* const kCsvOrderColumns = R"x(<MolvoCSVMapping><CSVTableMapping>
  <CSVColumnMapping name="product" binds-to="p"/>
  <CSVColumnMapping name-regex=".*" name-regex-prefix="order " name-binds-to="o" maps-to="Qty(o,p)"/>
</CSVTableMapping></MolvoCSVMapping>)x";

}  // namespace flk::test
