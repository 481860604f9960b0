// The cell formats of a workbook, reduced to what values depend on: each format's number format.
#ifndef XLSXBOOK_STYLES_H
#define XLSXBOOK_STYLES_H

#include <cstdint>
#include <map>
#include <string>
#include <vector>

namespace xlsxbook {

class Styles {
 public:
  Styles() { reset(); }
  // One default format with the General number format.
  void reset();

  // Appends a cell format; false when the workbook has the most formats it can hold.
  bool addXf(int numFmtId);
  std::size_t xfCount() const { return xfs_.size(); }
  int xfNumFmt(std::uint32_t xf) const { return xf < xfs_.size() ? xfs_[xf].numFmtId : 0; }
  void setXfNumFmt(std::uint32_t xf, int numFmtId);
  bool isDateXf(std::uint32_t xf) const { return xf < xfs_.size() && xfs_[xf].isDate; }

  // Custom number formats (ids from 164), as loaded or added.
  void setCustomFormat(int id, std::string code);
  int addCustomFormat(const std::string& code);  // 0 when the id space is used up
  bool hasNumFmt(int id) const;
  const std::map<int, std::string>& customFormats() const { return custom_; }

 private:
  struct Xf {
    int numFmtId;
    bool isDate;
  };
  bool numFmtIsDate(int id) const;

  std::vector<Xf> xfs_;
  std::map<int, std::string> custom_;
};

}  // namespace xlsxbook

#endif  // XLSXBOOK_STYLES_H
