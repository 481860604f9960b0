// The mapping test fixture with documents named as XML documents, and the mapping most XML read
// and write cases share.
#pragma once

#include "support/mapping_fixture.hpp"

#include <string>

namespace flk::test {

// Orders with their id and customer as attributes and their total and lines as elements; each
// line names its product in an attribute.
inline const char* const kXmlOrders = R"(<MolvoXMLMapping>
  <ElementObjectMapping name="orders">
    <ElementObjectMapping name="order">
      <AttributeMapping name="id" binds-to="o"/>
      <AttributeMapping name="customer" maps-to="Customer"/>
      <ElementValueMapping name="total" maps-to="Total"/>
      <ElementObjectMapping name="line">
        <AttributeMapping name="product" binds-to="p"/>
        <ElementValueMapping name="qty" maps-to="Qty"/>
      </ElementObjectMapping>
    </ElementObjectMapping>
  </ElementObjectMapping>
</MolvoXMLMapping>)";

class XmlMappingTest : public MappingTest {
protected:
    int readXml(const std::string& mapping, const std::string& xml, int emptyReferenced = 0, int resetCounters = 0) {
        return ReadFromFile(file("doc.xml", xml).c_str(), fromUtf8(mapping).c_str(), emptyReferenced, 0, resetCounters);
    }
    std::string writeXml(const std::string& mapping, int pretty = 0) {
        std::wstring out = path("out.xml");
        if (!WriteToFile(out.c_str(), fromUtf8(mapping).c_str(), pretty)) return "<failed>";
        return read(out);
    }
    std::string docName() { return toUtf8(path("doc.xml")); }
};

}  // namespace flk::test
