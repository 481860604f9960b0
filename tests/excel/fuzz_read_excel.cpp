// Feeds arbitrary bytes to ReadFromFile as a workbook, with a fixed mapping that uses every Excel
// node class and every kind of target (numbers, integers, strings, elements, calendar days), and
// writes back what was read.
#include "ferrolink/ferrolink.h"
#include "fuzz_model.hpp"

#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>

namespace {

const char* kMapping = R"xml(<MolvoExcelMapping iterative-reset="1">
  <ExcelSheetMapping name="Orders"><ExcelRowMapping>
    <ExcelColumnMapping name="id" binds-to="o"/><ExcelColumnMapping name="customer" maps-to="Customer"/>
    <ExcelColumnMapping name="total" maps-to="Total" write-defaults="1"/><ExcelColumnMapping name="day" maps-to="Day"/>
    <ExcelColumnMapping name="fav" maps-to="Favourite"/>
    <ExcelColumnMapping name-regex="q_(.*)" name-binds-to="p" maps-to="Qty(o,p)"/>
  </ExcelRowMapping></ExcelSheetMapping>
  <SheetMapping name="Lines" alt-name="Sheet1">
    <ColumnMapping name="order" binds-to="o"/><ColumnMapping name="product" binds-to="p" binds-existing="1"/>
    <ColumnMapping name="qty" maps-to="Qty"/>
  </SheetMapping>
  <SheetMapping name-regex="D_(.*)" name-binds-to="d"><ColumnMapping name="price" maps-to="Sales"/></SheetMapping>
  <TableMapping name="Notes"><RowMapping iterative-binds-to="o" iterative-prefix="n">
    <ColumnMapping name="c" maps-to="Customer"/></RowMapping></TableMapping>
</MolvoExcelMapping>)xml";

void declareCalendar() {
    molvo::SetDeclaration days;
    days.indices = {L"d"};
    days.calendar = std::make_unique<molvo::Calendar>(molvo::Calendar{molvo::CalendarUnit::Day, L"2024-01-01", L"2024-12-31", L"%c%y-%m-%d"});
    molvo::model().declareSet(L"Days", days);
    molvo::model().declareParameter(L"Day", molvo::ParameterDeclaration{{L"o"}, molvo::Storage::Element, std::wstring(), L"Days"});
    molvo::model().declareParameter(L"Sales", molvo::ParameterDeclaration{{L"d"}, molvo::Storage::Numeric, 0.0, L""});
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const std::string base = flk::fuzz::scratchPath("flk-fuzz-read-excel.xlsx");
    static const std::wstring doc(base.begin(), base.end()), out = doc + L".out.xlsx";
    static const bool ready = [] {
        flk::fuzz::declareModel();
        declareCalendar();
        std::string file = base + ".mapping.xml";
        FILE* m = std::fopen(file.c_str(), "wb");
        std::fputs(kMapping, m);
        std::fclose(m);
        return AddMapping(L"fuzz", std::wstring(file.begin(), file.end()).c_str()) == 1;
    }();
    if (!ready) __builtin_trap();
    FILE* f = std::fopen(base.c_str(), "wb");
    std::fwrite(data, 1, size, f);
    std::fclose(f);
    if (ReadFromFile(doc.c_str(), L"fuzz", 1, 1, 1)) WriteToFile(out.c_str(), L"fuzz", 0);
    molvo::model().clearErrors();
    return 0;
}
