// bench_xlsxbook [ROWS]: our write and read of ROWS x 5 cells (numbers, strings of 1,000 distinct
// values, dates) beside libxlsxwriter writing the same data in constant-memory mode and openpyxl
// reading our file in read-only mode; then both writing a sales table the program holds in memory,
// whose id column has ROWS distinct strings. Each measurement runs in a child process of its own so
// that its peak memory is its own.
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <xlsxwriter.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "xlsxbook/xlsxbook.h"

namespace {

constexpr int kDefaultRows = 1000000;
constexpr int kDistinctStrings = 1000;
const char* kHeader[] = {"id", "name", "day", "amount", "category"};

struct Measure {
  double seconds = 0;
  long peakKb = 0;
  bool ok = false;
};

std::vector<std::string> distinctStrings() {
  std::vector<std::string> names;
  for (int i = 0; i < kDistinctStrings; ++i) names.push_back("customer name " + std::to_string(i * 7919));
  return names;
}

double amountOf(int r) { return (r % 100000) * 0.37 - 1234.5; }

// Runs work in a child process and times it from here, so that a child that becomes another
// program (openpyxl) is measured the same way.
Measure inChild(bool (*work)(const std::string&), const std::string& path) {
  const auto start = std::chrono::steady_clock::now();
  const pid_t pid = fork();
  if (pid == 0) _exit(work(path) ? 0 : 1);
  int status = 0;
  struct rusage usage {};
  wait4(pid, &status, 0, &usage);
  const double s = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  return Measure{s, usage.ru_maxrss, WIFEXITED(status) && WEXITSTATUS(status) == 0};
}

int rows() {
  const char* env = std::getenv("BENCH_ROWS");
  return env ? std::atoi(env) : kDefaultRows;
}

bool writeOurs(const std::string& path) {
  const int n = rows();
  const std::vector<std::string> names = distinctStrings();
  xlsxbook::Book* book = xlsxbook::createBook();
  xlsxbook::Format* date = book->addFormat();
  date->setNumFormat(xlsxbook::kNumFormatDate);
  xlsxbook::Sheet* sheet = book->addSheet("Data");
  for (int c = 0; c < 5; ++c) sheet->writeStr(0, c, kHeader[c]);
  sheet->split(1, 0);
  const double firstDay = book->datePack(2000, 1, 1);
  for (int r = 1; r <= n; ++r) {
    sheet->writeNum(r, 0, r);
    sheet->writeStr(r, 1, names[std::size_t(r % kDistinctStrings)].c_str());
    sheet->writeNum(r, 2, firstDay + r % 9000, date);
    sheet->writeNum(r, 3, amountOf(r));
    sheet->writeStr(r, 4, names[std::size_t(r * 31 % kDistinctStrings)].c_str());
  }
  const char* data = nullptr;
  std::size_t size = 0;
  bool ok = book->save(&data, &size);
  if (ok) {
    std::ofstream out(path, std::ios::binary);
    out.write(data, std::streamsize(size));
    ok = bool(out);
  } else {
    std::fprintf(stderr, "save failed: %s\n", book->errorMessage());
  }
  book->release();
  return ok;
}

// A sales table as a program holds it before writing it: a distinct id per row.
struct Sale {
  std::string id, customer, category;
  double day, amount;
};

std::vector<Sale> salesTable() {
  const std::vector<std::string> names = distinctStrings();
  std::vector<Sale> sales;
  sales.reserve(std::size_t(rows()));
  for (int r = 1; r <= rows(); ++r)
    sales.push_back({"INV-" + std::to_string(1000000 + r) + "-" + std::to_string(long(r) * 7919 % 1000), names[std::size_t(r % kDistinctStrings)],
                     names[std::size_t(r * 31 % kDistinctStrings)], 36526.0 + r % 9000, amountOf(r)});
  return sales;
}

bool writeSalesOurs(const std::string& path) {
  const std::vector<Sale> sales = salesTable();
  xlsxbook::Book* book = xlsxbook::createBook();
  xlsxbook::Format* date = book->addFormat();
  date->setNumFormat(xlsxbook::kNumFormatDate);
  xlsxbook::Sheet* sheet = book->addSheet("Sales");
  for (int c = 0; c < 5; ++c) sheet->writeStr(0, c, kHeader[c]);
  sheet->split(1, 0);
  int r = 1;
  for (const Sale& sale : sales) {
    sheet->writeStr(r, 0, sale.id.c_str());
    sheet->writeStr(r, 1, sale.customer.c_str());
    sheet->writeNum(r, 2, sale.day, date);
    sheet->writeNum(r, 3, sale.amount);
    sheet->writeStr(r++, 4, sale.category.c_str());
  }
  const char* data = nullptr;
  std::size_t size = 0;
  bool ok = book->save(&data, &size) && std::ofstream(path, std::ios::binary).write(data, std::streamsize(size));
  book->release();
  return ok;
}

bool writeSalesLibxlsxwriter(const std::string& path) {
  const std::vector<Sale> sales = salesTable();
  lxw_workbook_options options = {};
  options.constant_memory = LXW_TRUE;
  lxw_workbook* workbook = workbook_new_opt(path.c_str(), &options);
  lxw_worksheet* sheet = workbook_add_worksheet(workbook, "Sales");
  lxw_format* date = workbook_add_format(workbook);
  format_set_num_format_index(date, 14);
  for (int c = 0; c < 5; ++c) worksheet_write_string(sheet, 0, lxw_col_t(c), kHeader[c], nullptr);
  worksheet_freeze_panes(sheet, 1, 0);
  lxw_row_t r = 1;
  for (const Sale& sale : sales) {
    worksheet_write_string(sheet, r, 0, sale.id.c_str(), nullptr);
    worksheet_write_string(sheet, r, 1, sale.customer.c_str(), nullptr);
    worksheet_write_number(sheet, r, 2, sale.day, date);
    worksheet_write_number(sheet, r, 3, sale.amount, nullptr);
    worksheet_write_string(sheet, r++, 4, sale.category.c_str(), nullptr);
  }
  return workbook_close(workbook) == LXW_NO_ERROR;
}

bool writeLibxlsxwriter(const std::string& path) {
  const int n = rows();
  const std::vector<std::string> names = distinctStrings();
  lxw_workbook_options options = {};
  options.constant_memory = LXW_TRUE;
  lxw_workbook* workbook = workbook_new_opt(path.c_str(), &options);
  lxw_worksheet* sheet = workbook_add_worksheet(workbook, "Data");
  lxw_format* date = workbook_add_format(workbook);
  format_set_num_format_index(date, 14);
  for (int c = 0; c < 5; ++c) worksheet_write_string(sheet, 0, lxw_col_t(c), kHeader[c], nullptr);
  worksheet_freeze_panes(sheet, 1, 0);
  const double firstDay = 36526;  // 2000-01-01
  for (int r = 1; r <= n; ++r) {
    const lxw_row_t row = lxw_row_t(r);
    worksheet_write_number(sheet, row, 0, r, nullptr);
    worksheet_write_string(sheet, row, 1, names[std::size_t(r % kDistinctStrings)].c_str(), nullptr);
    worksheet_write_number(sheet, row, 2, firstDay + r % 9000, date);
    worksheet_write_number(sheet, row, 3, amountOf(r), nullptr);
    worksheet_write_string(sheet, row, 4, names[std::size_t(r * 31 % kDistinctStrings)].c_str(), nullptr);
  }
  return workbook_close(workbook) == LXW_NO_ERROR;
}

// Loads the file and visits every cell through the interface, as the Excel nodes do.
bool readOurs(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  const std::string data((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  xlsxbook::Book* book = xlsxbook::createBook();
  bool ok = book->load(data.data(), data.size()) && book->sheetCount() == 1;
  if (ok) {
    xlsxbook::Sheet* sheet = book->getSheet(0);
    double sum = 0;
    std::size_t chars = 0, dates = 0;
    for (int r = 1; r < sheet->lastRow(); ++r)
      for (int c = 0; c < sheet->lastCol(); ++c) {
        if (const char* s = sheet->readStr(r, c)) chars += std::char_traits<char>::length(s);
        else if (sheet->isDate(r, c)) ++dates;
        else sum += sheet->readNum(r, c);
      }
    ok = sheet->lastRow() == rows() + 1 && dates == std::size_t(rows()) && chars > 0 && sum != 0;
  } else {
    std::fprintf(stderr, "load failed: %s\n", book->errorMessage());
  }
  book->release();
  return ok;
}

bool readOpenpyxl(const std::string& path) {
  const std::string script =
      "import sys, openpyxl\n"
      "wb = openpyxl.load_workbook(sys.argv[1], read_only=True)\n"
      "n = 0\n"
      "for row in wb['Data'].iter_rows(values_only=True):\n"
      "    n += 1\n"
      "sys.exit(0 if n == int(sys.argv[2]) + 1 else 1)\n";
  const std::string count = std::to_string(rows());
  execl("/usr/bin/python3", "python3", "-c", script.c_str(), path.c_str(), count.c_str(), (char*)nullptr);
  return false;
}

double fileMb(const std::string& path) {
  std::ifstream in(path, std::ios::binary | std::ios::ate);
  return in ? double(in.tellg()) / (1024 * 1024) : 0;
}

void print(const char* what, const Measure& ours, const char* refName, const Measure& ref, bool lowerIsOurs) {
  std::printf("%-6s ours %8.2f s %7.0f MB peak | %-34s %8.2f s %7.0f MB peak | ratio %s %.2f%s\n", what,
              ours.seconds, ours.peakKb / 1024.0, refName, ref.seconds, ref.peakKb / 1024.0,
              lowerIsOurs ? "ours/ref" : "ref/ours",
              lowerIsOurs ? ours.seconds / ref.seconds : ref.seconds / ours.seconds,
              ours.ok && ref.ok ? "" : "  (A RUN FAILED)");
}

}  // namespace

int main(int argc, char** argv) {
  if (argc > 1) setenv("BENCH_ROWS", argv[1], 1);
  const std::string dir = "/tmp/bench_xlsxbook." + std::to_string(getpid());
  if (std::system(("mkdir -p " + dir).c_str()) != 0) return 1;
  const std::string ours = dir + "/ours.xlsx", theirs = dir + "/libxlsxwriter.xlsx";
  std::printf("xlsxbook: %d rows x 5 columns (numbers, %d distinct strings, dates)\n", rows(), kDistinctStrings);
  const Measure w = inChild(writeOurs, ours);
  const Measure wr = inChild(writeLibxlsxwriter, theirs);
  print("write", w, "libxlsxwriter (constant memory)", wr, true);
  std::printf("file   ours %.1f MB | libxlsxwriter %.1f MB\n", fileMb(ours), fileMb(theirs));
  const Measure r = inChild(readOurs, ours);
  const Measure rr = inChild(readOpenpyxl, ours);
  print("read", r, "openpyxl (read-only)", rr, false);
  std::printf("sales table held in memory, %d distinct ids:\n", rows());
  const Measure ws = inChild(writeSalesOurs, ours);
  const Measure wsr = inChild(writeSalesLibxlsxwriter, theirs);
  print("write", ws, "libxlsxwriter (constant memory)", wsr, true);
  std::printf("memory ours/ref %.2f; file ours %.1f MB | libxlsxwriter %.1f MB\n", double(ws.peakKb) / double(wsr.peakKb),
              fileMb(ours), fileMb(theirs));
  std::printf("targets: write ours/ref <= 1.5, read ref/ours >= 10, sales table memory ours/ref <= 2\n");
  std::system(("rm -rf " + dir).c_str());
  return w.ok && wr.ok && r.ok && rr.ok && ws.ok && wsr.ok ? 0 : 1;
}
