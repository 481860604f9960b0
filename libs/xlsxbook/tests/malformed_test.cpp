// Inputs that are not workbooks, or broken ones: each fails with a message that says what was
// found, and never crashes or inflates without bound.
#include <gtest/gtest.h>

#include <cstring>

#include "book_ptr.h"
#include "zip_fixture.h"

namespace xlsxbook {
namespace {

using testing::makeWorkbook;
using testing::makeZip;
using testing::newBook;
using testing::worksheet;

std::string validWorkbook() {
  auto book = newBook();
  Sheet* sheet = book->addSheet("S");
  for (int r = 0; r < 200; ++r) sheet->writeStr(r, 0, ("row " + std::to_string(r)).c_str());
  return testing::saveToString(*book);
}

// Sets the uncompressed size recorded in the central directory for one entry.
std::string withDeclaredSize(std::string zip, const std::string& entry, std::uint32_t size) {
  for (std::size_t at = zip.find("PK\x01\x02"); at != std::string::npos; at = zip.find("PK\x01\x02", at + 4)) {
    std::uint16_t nameLength;
    std::memcpy(&nameLength, zip.data() + at + 28, 2);
    if (zip.compare(at + 46, nameLength, entry) == 0) {
      std::memcpy(zip.data() + at + 24, &size, 4);
      return zip;
    }
  }
  ADD_FAILURE() << "no entry " << entry;
  return zip;
}

std::string zipBomb() {
  // 64 MiB of one byte deflates about a thousandfold, as the classic zip bombs do.
  const std::string zeros(std::size_t(64) << 20, '0');
  return makeWorkbook({{"S", "<worksheet>" + zeros + "</worksheet>"}});
}

struct Case {
  const char* what;
  std::string data;
  const char* message;
  const char* place;  // errorPlace(): where in a sheet the load failed, "" for no sheet
};

TEST(Malformed, EachInputFailsWithAMessageSayingWhatWasFound) {
  const std::string valid = validWorkbook();
  const std::string ole2 = "\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1" + std::string(4096, '\0');
  const std::string ns = "xmlns=\"http://schemas.openxmlformats.org/spreadsheetml/2006/main\"";
  const Case cases[] = {
      {"legacy .xls", ole2, "OLE2 compound document (a legacy .xls workbook", ""},
      {"text file", "name,value\n1,2\n", "not a zip archive: it starts with bytes 6E 61 6D 65", ""},
      {"empty", "", "the data is empty", ""},
      {"truncated zip", valid.substr(0, valid.size() / 2), "cannot be opened (truncated or damaged?)", ""},
      {"zip without workbook", makeZip({{"readme.txt", "hello"}}), "no workbook part (xl/workbook.xml)", ""},
      {"binary workbook", makeZip({{"xl/workbook.bin", "x"}}), "binary .xlsb workbook", ""},
      {"broken workbook XML", makeZip({{"xl/workbook.xml", "<workbook><sheets></workbook>"}}),
       "part xl/workbook.xml is not well-formed XML", ""},
      {"mismatched sheet XML", makeWorkbook({{"S", worksheet("<row><c><v>1</v></row>")}}),
       "part xl/worksheets/sheet1.xml is not well-formed XML: end tag </row> does not match the open <c>", "sheet 'S' cell A1"},
      {"truncated sheet XML", makeWorkbook({{"S", "<worksheet><sheetData><row r=\"1\"><c><v>1"}}),
       "part xl/worksheets/sheet1.xml is not well-formed XML: the part ends inside <v>", "sheet 'S' cell A1"},
      {"entity declarations", makeWorkbook({{"S", "<!DOCTYPE w [<!ENTITY a \"aaaa\">]><worksheet/>"}}),
       "document type declarations", "sheet 'S'"},
      {"missing sheet relationship", makeZip({{"xl/workbook.xml",
           "<workbook " + ns + " xmlns:r=\"r\"><sheets><sheet name=\"Lost\" r:id=\"rId1\"/></sheets></workbook>"}}),
       "sheet 'Lost' refers to relationship 'rId1', which the workbook lacks", ""},
      {"shared string out of range", makeWorkbook({{"S", worksheet("<row><c r=\"B2\" t=\"s\"><v>3</v></c></row>")}}),
       "sheet 'S', cell B2: shared string '3' does not exist; the table has 0 strings", "sheet 'S' cell B2"},
      {"reference beyond the sheet", makeWorkbook({{"S", worksheet("<row><c r=\"XFE1\"><v>1</v></c></row>")}}),
       "cell reference 'XFE1' that is not a cell of the sheet", "sheet 'S' row 1"},
      {"row beyond the sheet", makeWorkbook({{"S", worksheet("<row r=\"1048577\"/>")}}), "a row numbered '1048577'", "sheet 'S'"},
      {"text where a number belongs", makeWorkbook({{"S", worksheet("<row><c r=\"C1\"><v>twelve</v></c></row>")}}),
       "cell C1: the value 'twelve' is not a number", "sheet 'S' cell C1"},
      {"unknown cell type", makeWorkbook({{"S", worksheet("<row><c r=\"A1\" t=\"q\"><v>1</v></c></row>")}}),
       "unknown cell type 'q'", "sheet 'S' cell A1"},
      {"declared size beyond the limit", withDeclaredSize(valid, "xl/worksheets/sheet1.xml", 0xFFFFFFF0u),
       "declares 4294967280 bytes uncompressed, more than the limit", ""},
      {"declared size smaller than the data", withDeclaredSize(valid, "xl/worksheets/sheet1.xml", 100),
       "part xl/worksheets/sheet1.xml decompresses to more than the 100 bytes", "sheet 'S'"},
      {"zip bomb", zipBomb(), "refusing a likely zip bomb", ""},
      {"UTF-16 sheet", makeWorkbook({{"S", std::string("\xFF\xFE<\0w\0/\0>\0", 10)}}), "encoded in UTF-16", "sheet 'S'"},
      {"invalid UTF-8 text", makeWorkbook({{"S", worksheet("<row><c r=\"A1\" t=\"inlineStr\"><is><t>\xC3</t></is></c></row>")}}),
       "cell A1: the text is not valid UTF-8", "sheet 'S' cell A1"},
  };
  for (const Case& c : cases) {
    auto book = newBook();
    EXPECT_FALSE(book->load(c.data.data(), c.data.size())) << c.what;
    EXPECT_NE(std::string(book->errorMessage()).find(c.message), std::string::npos)
        << c.what << ": got \"" << book->errorMessage() << "\"";
    EXPECT_STREQ(book->errorPlace(), c.place) << c.what;
    EXPECT_NE(std::string(book->errorMessage()).find(book->errorReason()), std::string::npos) << c.what;
    EXPECT_EQ(book->sheetCount(), 0) << c.what;
  }
}

TEST(Malformed, AFailedLoadLeavesAUsableBook) {
  auto book = newBook();
  EXPECT_FALSE(book->load("junk", 4));
  const std::string valid = validWorkbook();
  ASSERT_TRUE(book->load(valid.data(), valid.size())) << book->errorMessage();
  EXPECT_STREQ(book->errorMessage(), "ok");
  EXPECT_STREQ(book->getSheet(0)->readStr(199, 0), "row 199");
}

TEST(Malformed, EveryTruncationOfAWorkbookFailsCleanly) {
  const std::string valid = validWorkbook();
  for (std::size_t cut = 0; cut < valid.size(); cut += 97) {
    auto book = newBook();
    EXPECT_FALSE(book->load(valid.data(), cut)) << cut;
  }
}

}  // namespace
}  // namespace xlsxbook
