#include "styles.h"

#include <algorithm>

#include "limits.h"
#include "number_formats.h"

namespace xlsxbook {

void Styles::reset() {
  xfs_.assign(1, Xf{0, false});
  custom_.clear();
}

bool Styles::numFmtIsDate(int id) const {
  auto found = custom_.find(id);
  return found != custom_.end() ? isDateFormatCode(found->second) : isBuiltinDateFormat(id);
}

bool Styles::addXf(int numFmtId) {
  if (xfs_.size() >= kMaxStyles) return false;
  xfs_.push_back(Xf{numFmtId, numFmtIsDate(numFmtId)});
  return true;
}

void Styles::setXfNumFmt(std::uint32_t xf, int numFmtId) {
  if (xf < xfs_.size()) xfs_[xf] = Xf{numFmtId, numFmtIsDate(numFmtId)};
}

void Styles::setCustomFormat(int id, std::string code) {
  custom_[id] = std::move(code);
  // Formats may be declared after the cell formats that use them were read.
  for (Xf& xf : xfs_)
    if (xf.numFmtId == id) xf.isDate = numFmtIsDate(id);
}

int Styles::addCustomFormat(const std::string& code) {
  for (const auto& [id, existing] : custom_)
    if (existing == code) return id;
  const int id = custom_.empty() ? kFirstCustomNumFormat
                                 : std::max(kFirstCustomNumFormat, custom_.rbegin()->first + 1);
  if (id > kMaxNumFormatId) return 0;
  setCustomFormat(id, code);
  return id;
}

bool Styles::hasNumFmt(int id) const {
  return (id >= 0 && id < kFirstCustomNumFormat) || custom_.count(id) > 0;
}

}  // namespace xlsxbook
