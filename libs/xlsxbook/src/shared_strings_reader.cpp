// Streams the shared-strings table into the string pool, keeping its order. A rich-text string is
// the concatenation of its runs; phonetic hints (rPh) are not part of the text.
#include "failure.h"
#include "package_parts.h"
#include "string_pool.h"
#include "utf8.h"
#include "xml_scanner.h"
#include "zip_reader.h"

namespace xlsxbook {

void readSharedStrings(ZipReader& zip, const std::string& part, StringPool* pool) {
  std::uint64_t index;
  if (!zip.find(part, &index)) throw Failure("the archive lacks the shared strings part " + part);
  PartStream stream(&zip, index, part);
  XmlScanner xml(&stream, part);

  enum class State { Outside, Item, ItemText, Phonetic };
  State state = State::Outside;
  std::size_t phoneticDepth = 0;
  std::string text;
  for (XmlScanner::Event e; (e = xml.next()) != XmlScanner::Event::Eof;) {
    const std::string_view name = xml.name();
    switch (state) {
      case State::Outside:
        if (e == XmlScanner::Event::Start && name == "si") state = State::Item, text.clear();
        break;
      case State::Item:
        if (e == XmlScanner::Event::Start && name == "t") state = State::ItemText;
        else if (e == XmlScanner::Event::Start && name == "rPh") state = State::Phonetic, phoneticDepth = xml.depth();
        else if (e == XmlScanner::Event::End && name == "si") {
          decodeOoxmlEscapes(&text);
          if (!isValidUtf8(text))
            xml.fail("shared string " + std::to_string(pool->size()) + " is not valid UTF-8");
          pool->add(text);
          state = State::Outside;
        }
        break;
      case State::ItemText:
        if (e == XmlScanner::Event::Text) xml.appendText(&text);
        else if (e == XmlScanner::Event::End && name == "t") state = State::Item;
        break;
      case State::Phonetic:
        if (e == XmlScanner::Event::End && xml.depth() < phoneticDepth) state = State::Item;
        break;
    }
  }
}

}  // namespace xlsxbook
