#include "zip_fixture.h"

#include <zip.h>

#include <stdexcept>

namespace xlsxbook::testing {

std::string readPart(const std::string& bytes, const std::string& name) {
  zip_error_t error;
  zip_error_init(&error);
  zip_source_t* source = zip_source_buffer_create(bytes.data(), bytes.size(), 0, &error);
  zip_t* archive = source ? zip_open_from_source(source, ZIP_RDONLY, &error) : nullptr;
  zip_error_fini(&error);
  if (!archive) throw std::runtime_error("not a zip");
  zip_stat_t st;
  zip_file_t* file = zip_stat(archive, name.c_str(), 0, &st) == 0 ? zip_fopen(archive, name.c_str(), 0) : nullptr;
  std::string out(file ? st.size : 0, '\0');
  const bool read = file && zip_fread(file, out.data(), st.size) == zip_int64_t(st.size);
  if (file) zip_fclose(file);
  zip_discard(archive);
  if (!read) throw std::runtime_error("no readable part " + name);
  return out;
}

std::string makeZip(const Parts& parts) {
  zip_error_t error;
  zip_error_init(&error);
  zip_source_t* target = zip_source_buffer_create(nullptr, 0, 0, &error);
  zip_t* archive = zip_open_from_source(target, ZIP_TRUNCATE, &error);
  if (!archive) throw std::runtime_error("cannot create a zip");
  zip_source_keep(target);
  for (const auto& [name, content] : parts) {
    zip_source_t* source = zip_source_buffer(archive, content.data(), content.size(), 0);
    if (zip_file_add(archive, name.c_str(), source, ZIP_FL_ENC_UTF_8) < 0) throw std::runtime_error("zip add");
  }
  if (zip_close(archive) != 0) throw std::runtime_error("zip close");
  zip_stat_t st;
  zip_source_stat(target, &st);
  std::string out(st.size, '\0');
  zip_source_open(target);
  zip_source_read(target, out.data(), st.size);
  zip_source_close(target);
  zip_source_free(target);
  zip_error_fini(&error);
  return out;
}

namespace {
const char kMain[] = "http://schemas.openxmlformats.org/spreadsheetml/2006/main";
const char kRel[] = "http://schemas.openxmlformats.org/officeDocument/2006/relationships";
}  // namespace

std::string worksheet(const std::string& sheetData, const std::string& before) {
  return std::string("<?xml version=\"1.0\"?><worksheet xmlns=\"") + kMain + "\">" + before + "<sheetData>" +
         sheetData + "</sheetData></worksheet>";
}

std::string makeWorkbook(const std::vector<std::pair<std::string, std::string>>& sheets,
                         const std::string& sharedStrings, const std::string& styles,
                         const std::string& workbookPr) {
  Parts parts;
  parts.emplace_back("_rels/.rels",
                     "<Relationships xmlns=\"http://schemas.openxmlformats.org/package/2006/relationships\">"
                     "<Relationship Id=\"rId1\" Type=\"" + std::string(kRel) + "/officeDocument\" "
                     "Target=\"xl/workbook.xml\"/></Relationships>");
  std::string workbook = std::string("<workbook xmlns=\"") + kMain + "\" xmlns:r=\"" + kRel + "\">" +
                         workbookPr + "<sheets>";
  std::string rels = "<Relationships xmlns=\"http://schemas.openxmlformats.org/package/2006/relationships\">";
  for (std::size_t i = 0; i < sheets.size(); ++i) {
    const std::string id = "rId" + std::to_string(i + 1);
    const std::string part = "worksheets/sheet" + std::to_string(i + 1) + ".xml";
    workbook += "<sheet name=\"" + sheets[i].first + "\" sheetId=\"" + std::to_string(i + 1) + "\" r:id=\"" + id + "\"/>";
    rels += "<Relationship Id=\"" + id + "\" Type=\"" + kRel + "/worksheet\" Target=\"" + part + "\"/>";
    parts.emplace_back("xl/" + part, sheets[i].second);
  }
  if (!sharedStrings.empty()) {
    rels += std::string("<Relationship Id=\"rIdS\" Type=\"") + kRel + "/sharedStrings\" Target=\"sharedStrings.xml\"/>";
    parts.emplace_back("xl/sharedStrings.xml", sharedStrings);
  }
  if (!styles.empty()) {
    rels += std::string("<Relationship Id=\"rIdT\" Type=\"") + kRel + "/styles\" Target=\"styles.xml\"/>";
    parts.emplace_back("xl/styles.xml", styles);
  }
  parts.emplace_back("xl/workbook.xml", workbook + "</sheets></workbook>");
  parts.emplace_back("xl/_rels/workbook.xml.rels", rels + "</Relationships>");
  return makeZip(parts);
}

}  // namespace xlsxbook::testing
