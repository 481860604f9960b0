#include "cell_ref.h"

#include "xlsxbook/xlsxbook.h"

namespace xlsxbook {

bool parseCellRef(std::string_view ref, int* row, int* col) {
  std::size_t i = 0;
  long c = 0;
  for (; i < ref.size() && i < 4; ++i) {
    char ch = ref[i];
    if (ch >= 'a' && ch <= 'z') ch = char(ch - 32);
    if (ch < 'A' || ch > 'Z') break;
    c = c * 26 + (ch - 'A' + 1);
  }
  if (i == 0 || c > kMaxCols) return false;
  const std::size_t digits = i;
  long r = 0;
  for (; i < ref.size() && i - digits < 8; ++i) {
    if (ref[i] < '0' || ref[i] > '9') return false;
    r = r * 10 + (ref[i] - '0');
  }
  if (i != ref.size() || i == digits || r < 1 || r > kMaxRows) return false;
  *row = int(r - 1);
  *col = int(c - 1);
  return true;
}

void appendColumnName(int col, std::string* out) {
  char letters[4];
  int n = 0;
  for (int c = col + 1; c > 0 && n < 4; c = (c - 1) / 26) letters[n++] = char('A' + (c - 1) % 26);
  while (n > 0) out->push_back(letters[--n]);
}

std::string cellName(int row, int col) {
  std::string out;
  appendColumnName(col, &out);
  out += std::to_string(row + 1);
  return out;
}

}  // namespace xlsxbook
