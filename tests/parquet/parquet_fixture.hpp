// The mapping test model with calendars and wide-range targets, Parquet files that DuckDB wrote
// for the reading cases, and DuckDB as the reader of every file a test writes.
#pragma once

#include "support/mapping_fixture.hpp"

#include "TestSupport.h"

#include <string>
#include <vector>

namespace flk::test {

// The DuckDB query of each table the reading cases use; every one is written with row groups of
// two rows, so that each read crosses row groups.
struct DuckDbTable {
    const char* name;
    const char* query;
};
const std::vector<DuckDbTable>& duckDbTables();

class ParquetTest : public MappingTest {
protected:
    static void SetUpTestSuite();
    static void TearDownTestSuite();

    void SetUp() override {
        if (!tablix::test::oracleAvailable()) GTEST_SKIP() << "the DuckDB oracle is not installed (scripts/install-deps)";
        MappingTest::SetUp();
        calendar(L"Days", L"d", molvo::CalendarUnit::Day, L"2024-01-01", L"2024-12-31", L"%c%y-%m-%d");
        calendar(L"Hours", L"h", molvo::CalendarUnit::Hour, L"2024-12-31 00", L"2025-01-01 23", L"%c%y-%m-%d %H:00");
        parameter(L"Items", {L"o"}, molvo::Storage::Integer, 0.0);
        parameter(L"Paid", {L"o"}, molvo::Storage::Numeric, 0.0);
        parameter(L"Big", {L"o"}, molvo::Storage::Numeric, 0.0);
        parameter(L"BigText", {L"o"}, molvo::Storage::String, std::wstring());
        parameter(L"OrderDay", {L"o"}, molvo::Storage::Element, std::wstring(), L"Days");
        parameter(L"Stamp", {L"o"}, molvo::Storage::Element, std::wstring(), L"Hours");
        parameter(L"DayText", {L"o"}, molvo::Storage::String, std::wstring());
        parameter(L"DayNumber", {L"o"}, molvo::Storage::Numeric, 0.0);
    }

    void calendar(const std::wstring& name, const std::wstring& index, molvo::CalendarUnit unit, const std::wstring& first,
                  const std::wstring& last, const std::wstring& format) {
        molvo::SetDeclaration days;
        days.indices = {index};
        days.calendar = std::make_unique<molvo::Calendar>(molvo::Calendar{unit, first, last, format});
        model().declareSet(name, days);
    }

    // A file DuckDB wrote (duckDbTables), by its table name.
    static std::wstring duckDbFile(const std::string& table);

    int readTable(const std::string& mapping, const std::wstring& file) {
        return ReadFromFile(file.c_str(), fromUtf8(mapping).c_str(), 1, 0, 1);
    }
    int writeTable(const std::string& mapping, const std::wstring& file) {
        return WriteToFile(file.c_str(), fromUtf8(mapping).c_str(), 0);
    }

    // What DuckDB reads from a file: "name TYPE" per column, then one line per row of its
    // values, "NULL" for a null.
    static std::string duckDbView(const std::wstring& file);
};

}  // namespace flk::test
