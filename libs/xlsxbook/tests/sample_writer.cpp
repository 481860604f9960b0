// Writes the workbook that the outside-oracle test opens with other programs:
//   xlsxbook_sample_writer OUT.xlsx
// Sheet "Data": a header row (frozen), then rows of text, number, date (format 14), date-time (a
// custom format), and a boolean-like string; sheet "Notes": special characters.
#include <cstdio>
#include <string>

#include "xlsxbook/xlsxbook.h"

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: xlsxbook_sample_writer OUT.xlsx\n");
    return 2;
  }
  xlsxbook::Book* book = xlsxbook::createBook();
  xlsxbook::Format* date = book->addFormat();
  date->setNumFormat(xlsxbook::kNumFormatDate);
  xlsxbook::Format* stamp = book->addFormat();
  stamp->setNumFormat(book->addCustomNumFormat("yyyy-mm-dd hh:mm:ss"));
  xlsxbook::Sheet* data = book->addSheet("Data");
  const char* header[] = {"name", "amount", "day", "moment", "flag"};
  for (int c = 0; c < 5; ++c) data->writeStr(0, c, header[c]);
  data->split(1, 0);
  for (int r = 1; r <= 50; ++r) {
    data->writeStr(r, 0, ("item " + std::to_string(r)).c_str());
    data->writeNum(r, 1, r * 1.25 - 20);
    data->writeNum(r, 2, book->datePack(2024, 1 + r % 12, 1 + r % 28), date);
    data->writeNum(r, 3, book->datePack(1999, 12, 31, r % 24, r % 60, r % 60), stamp);
    data->writeStr(r, 4, r % 2 ? "TRUE" : "");
  }
  xlsxbook::Sheet* notes = book->addSheet("Notes & more");
  notes->writeStr(0, 0, "a < b & c > d \"quoted\"");
  notes->writeStr(1, 0, " leading and trailing ");
  notes->writeStr(2, 0, "two\nlines");
  notes->writeStr(3, 0, "\xC3\xA9t\xC3\xA9 \xE6\x97\xA5\xE6\x9C\xAC");
  notes->writeNum(3, 2, 1e-7);
  const char* bytes = nullptr;
  std::size_t size = 0;
  FILE* out = nullptr;
  const bool ok = book->save(&bytes, &size) && (out = std::fopen(argv[1], "wb")) &&
                  std::fwrite(bytes, 1, size, out) == size;
  if (out) std::fclose(out);
  if (!ok) std::fprintf(stderr, "xlsxbook_sample_writer: %s\n", book->errorMessage());
  book->release();
  return ok ? 0 : 1;
}
