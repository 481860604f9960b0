// The mapping test model with calendars, and workbooks in and out of the Excel tests: those
// openpyxl wrote for the reading cases, and every written workbook's cells as our workbook
// library, openpyxl and LibreOffice Calc each read them back.
#pragma once

#include "support/mapping_fixture.hpp"

#include <xlsxbook/xlsxbook.h>

#include <cstdio>
#include <map>
#include <memory>
#include <string>
#include <vector>

namespace flk::test {

class ExcelTest : public MappingTest {
protected:
    void SetUp() override {
        MappingTest::SetUp();
        calendar(L"Days", L"d", molvo::CalendarUnit::Day, L"2024-01-01", L"2024-12-31", L"%c%y-%m-%d");
        calendar(L"Hours", L"h", molvo::CalendarUnit::Hour, L"2024-12-31 00", L"2025-01-01 23", L"%c%y-%m-%d %H:00");
        set(L"Sheets", L"s", {});
        parameter(L"Amount", {L"s", L"o"}, molvo::Storage::Numeric, 0.0);
        parameter(L"Shown", {L"s"}, molvo::Storage::Numeric, 0.0);
        parameter(L"OrderDay", {L"o"}, molvo::Storage::Element, std::wstring(), L"Days");
        parameter(L"Stamp", {L"o"}, molvo::Storage::Element, std::wstring(), L"Hours");
        parameter(L"DayText", {L"o"}, molvo::Storage::String, std::wstring());
        parameter(L"Items", {L"o"}, molvo::Storage::Integer, 0.0);
        parameter(L"Paid", {L"o"}, molvo::Storage::Numeric, 0.0);
        parameter(L"Sales", {L"d"}, molvo::Storage::Numeric, 0.0);
    }
    void calendar(const std::wstring& name, const std::wstring& index, molvo::CalendarUnit unit, const std::wstring& first,
                  const std::wstring& last, const std::wstring& format) {
        molvo::SetDeclaration days;
        days.indices = {index};
        days.calendar = std::make_unique<molvo::Calendar>(molvo::Calendar{unit, first, last, format});
        model().declareSet(name, days);
    }

    // Assigns the value, adding the elements of the tuple to the sets of the identifier first.
    void give(const std::wstring& identifier, const std::vector<std::wstring>& tuple, const molvo::Value& value) {
        static const std::map<std::wstring, std::vector<std::wstring>> kSets{
            {L"Qty", {L"Orders", L"Products"}}, {L"Amount", {L"Sheets", L"Orders"}}, {L"Note", {L"Lines"}},
            {L"Sales", {L""}}, {L"Price", {L"Products"}}, {L"Shown", {L"Sheets"}}};
        auto sets = kSets.find(identifier);
        for (size_t k = 0; k < tuple.size(); ++k) {
            std::wstring set = sets == kSets.end() ? L"Orders" : sets->second[k];
            if (!set.empty()) model().assign(set, {tuple[k]}, 1.0);
        }
        model().assign(identifier, tuple, value);
    }

    // A workbook that tests/excel/make_workbooks.py wrote with openpyxl.
    static std::wstring openpyxlBook(const std::string& name) { return fromUtf8(std::string(FLK_EXCEL_WORKBOOKS "/") + name); }

    int readBook(const std::string& mapping, const std::wstring& book) {
        return ReadFromFile(book.c_str(), fromUtf8(mapping).c_str(), 1, 0, 1);
    }
    int writeBook(const std::string& mapping, const std::wstring& book) {
        return WriteToFile(book.c_str(), fromUtf8(mapping).c_str(), 0);
    }

    // The cells of a workbook as our library reads them, in the form openpyxl_cells.py prints.
    static std::string cellsOf(const std::string& bytes) {
        struct Release {
            void operator()(xlsxbook::Book* b) const { b->release(); }
        };
        std::unique_ptr<xlsxbook::Book, Release> book(xlsxbook::createBook());
        if (!book->load(bytes.data(), bytes.size())) return std::string("<not loaded: ") + book->errorMessage() + ">";
        std::string out;
        for (int s = 0; s < book->sheetCount(); ++s) {
            const xlsxbook::Sheet& sheet = *book->getSheet(s);
            if (sheet.splitRow() || sheet.splitCol())
                out += std::string(sheet.name()) + " frozen at " + reference(sheet.splitRow(), sheet.splitCol()) + "\n";
            for (size_t i = 0; i < sheet.cellCount(); ++i) {
                int row = 0, col = 0;
                sheet.cellAt(i, &row, &col);
                std::string value = cellText(*book, sheet, row, col);
                if (!value.empty()) out += std::string(sheet.name()) + "!" + reference(row, col) + " " + value + "\n";
            }
        }
        return out;
    }

    // The same as openpyxl reads the file.
    static std::string openpyxlCellsOf(const std::wstring& file) {
        return outputOf("/usr/bin/python3 " FLK_EXCEL_TEST_DIR "/openpyxl_cells.py '" + toUtf8(file) + "'", "openpyxl");
    }
    // The same as LibreOffice Calc opens the files, each after a line "== <file>".
    static std::string libreOfficeCellsOf(const std::vector<std::wstring>& files) {
        std::string command = "/usr/bin/python3 " FLK_EXCEL_TEST_DIR "/libreoffice_cells.py";
        for (const std::wstring& file : files) command += " '" + toUtf8(file) + "'";
        return outputOf(command, "LibreOffice");
    }

private:
    static std::string outputOf(const std::string& command, const std::string& tool) {
        FILE* pipe = ::popen((command + " 2>&1").c_str(), "r");
        if (!pipe) return "<" + tool + " did not start>";
        std::string out;
        char buffer[4096];
        for (size_t n; (n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0;) out.append(buffer, n);
        return ::pclose(pipe) == 0 ? out : "<" + tool + " failed>\n" + out;
    }
    static std::string reference(int row, int col) {
        std::string letters;
        for (int c = col + 1; c > 0; c = (c - 1) / 26) letters.insert(letters.begin(), char('A' + (c - 1) % 26));
        return letters + std::to_string(row + 1);
    }
    static std::string cellText(const xlsxbook::Book& book, const xlsxbook::Sheet& sheet, int row, int col) {
        switch (sheet.cellType(row, col)) {
            case xlsxbook::CellType::String: return std::string("s:") + sheet.readStr(row, col);
            case xlsxbook::CellType::Boolean: return sheet.readBool(row, col) ? "b:1" : "b:0";
            case xlsxbook::CellType::Number: break;
            default: return "";
        }
        double value = sheet.readNum(row, col);
        int y, mo, d, h, mi, s, ms;
        if (!sheet.isDate(row, col) || !book.dateUnpack(value, &y, &mo, &d, &h, &mi, &s, &ms)) {
            char text[32];
            std::snprintf(text, sizeof text, "%.17g", value);
            double back = 0;
            for (int precision = 1; precision <= 17; ++precision) {   // the shortest text that reads back
                std::snprintf(text, sizeof text, "%.*g", precision, value);
                if (std::sscanf(text, "%lf", &back) == 1 && back == value) break;
            }
            return std::string("n:") + text;
        }
        char text[32];
        if (h || mi || s) std::snprintf(text, sizeof text, "d:%04d-%02d-%02d %02d:%02d:%02d", y, mo, d, h, mi, s);
        else std::snprintf(text, sizeof text, "d:%04d-%02d-%02d", y, mo, d);
        return text;
    }
};

}  // namespace flk::test
