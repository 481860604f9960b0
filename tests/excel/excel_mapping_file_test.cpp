// Excel mapping files: which elements stand where, the attributes each node takes, and their
// messages.
#include "excel/excel_fixture.hpp"

namespace flk::test {
namespace {

struct FileCase {
    const char* title;
    const char* xml;
    int result;
    const char* errors;   // every raised error and warning, each followed by a line end
};

const FileCase kCases[] = {
    {"every element and attribute a node accepts",
     R"x(<MolvoExcelMapping molvo-namespace="" namespace-uri="x" iterative-reset="1">
          <ExcelSheetMapping name="Orders" alt-name="Bestellungen" write-filter="Enabled">
            <ExcelRowMapping binds-skip-non-existing="1" write-filter="Open">
              <ExcelColumnMapping name="id" binds-to="o" binds-existing="0" binds-skip-non-existing="1" read-normalize="nfc" write-normalize="nfc"/>
              <ColumnMapping name="total" alt-name="sum" maps-to="Total" write-defaults="1" write-filter="Paid" dense-write="Paid" max-string-size="2000"/>
              <ColumnMapping name="fav" maps-to="Favourite" range-existing="1" force-dense="Paid"/>
              <ColumnMapping name-regex="y_(.*)" name-binds-to="p" name-regex-prefix="" name-regex-postfix="" maps-to="Qty(o,p)"/>
              <ColumnMapping name="kind" value="order"/>
            </ExcelRowMapping>
          </ExcelSheetMapping>
          <SheetMapping name="Lines"><RowMapping name="r" alt-name="rows" iterative-binds-to="l" iterative-prefix="r" iterative-existing="0">
            <ColumnMapping name="note" maps-to="Note"/></RowMapping></SheetMapping>
          <SheetMapping name-regex-from="Products" name-binds-to="p"><RowMapping><ColumnMapping name="x" maps-to="Price"/></RowMapping></SheetMapping>
          <TableMapping name="t"><ColumnMapping name="x" binds-to="o"/></TableMapping>
        </MolvoExcelMapping>)x",
     1, "The name-to attribute 'r' is not used for child nodes of node 'Lines' of type ExcelSheetNode\n"},
    {"an external binding under the root",
     "<MolvoExcelMapping><ExternalBinding binds-to='s' binding='Chosen'/><SheetMapping name='S'>"
     "<ColumnMapping name='id' binds-to='o'/><ColumnMapping name='a' maps-to='Amount'/></SheetMapping></MolvoExcelMapping>",
     1, ""},
    {"an element the root does not accept", "<MolvoExcelMapping><ObjectMapping/></MolvoExcelMapping>", 0,
     "AddMapping m: Mapping type ObjectMapping not supported underneath a MolvoExcelMapping\n"},
    {"an element a sheet does not accept",
     "<MolvoExcelMapping><SheetMapping name='S'><ValueMapping/></SheetMapping></MolvoExcelMapping>", 0,
     "AddMapping m: Mapping type ValueMapping not supported underneath a ExcelSheetMapping\n"
     "AddMapping m: Excel sheet node S should have a single child row node\n"},
    {"an external binding under a sheet",
     "<MolvoExcelMapping><SheetMapping name='S'><ExternalBinding binds-to='s' binding='Chosen'/>"
     "<ColumnMapping name='x' binds-to='o'/></SheetMapping></MolvoExcelMapping>", 0,
     "AddMapping m: Mapping type ExternalBinding not supported underneath a ExcelSheetMapping\n"},
    {"an element a row does not accept",
     "<MolvoExcelMapping><SheetMapping name='S'><RowMapping><RowMapping/></RowMapping></SheetMapping></MolvoExcelMapping>", 0,
     "AddMapping m: Mapping type RowMapping not supported underneath a ExcelRowMapping\n"},
    {"an element under a column",
     "<MolvoExcelMapping><SheetMapping name='S'><ColumnMapping name='x' binds-to='o'><ColumnMapping name='y'/>"
     "</ColumnMapping></SheetMapping></MolvoExcelMapping>", 0,
     "AddMapping m: Mapping type ColumnMapping not supported underneath an ExcelColumnMapping\n"},
    {"a sheet without a row", "<MolvoExcelMapping><SheetMapping name='S'/></MolvoExcelMapping>", 0,
     "AddMapping m: Excel sheet node S should have a single child row node\n"},
    {"a sheet with two rows",
     "<MolvoExcelMapping><SheetMapping name='S'><RowMapping/><RowMapping/></SheetMapping></MolvoExcelMapping>", 0,
     "AddMapping m: Excel sheet node S should have a single child row node\n"},
    {"columns directly under a sheet beside its row",
     "<MolvoExcelMapping><SheetMapping name='S'><ColumnMapping name='x' binds-to='o'/><RowMapping/>"
     "<ColumnMapping name='y' maps-to='Total'/></SheetMapping></MolvoExcelMapping>", 0,
     "AddMapping m: Excel sheet node S should have a single child row node\n"},
    {"a sheet without a name", "<MolvoExcelMapping><SheetMapping><RowMapping/></SheetMapping></MolvoExcelMapping>", 0,
     "AddMapping m: Node should have uniquely one of 'name' or 'name-regex' or 'name-regex-from' attributes\n"},
    {"attributes a node does not take are reported",
     "<MolvoExcelMapping name='book'><SheetMapping name='S' binds-to='o'><RowMapping maps-to='Total'>"
     "<ColumnMapping name='x' binds-to='o' iterative-binds-to='l' number-type='integer'/></RowMapping></SheetMapping></MolvoExcelMapping>",
     1,
     "AddMapping m: Unknown attribute name encountered in node ExcelRootNode\n"
     "AddMapping m: Unknown attribute binds-to encountered in node ExcelSheetNode\n"
     "AddMapping m: Unknown attribute maps-to encountered in node ExcelRowNode\n"
     "AddMapping m: Unknown attribute iterative-binds-to encountered in node ExcelColumnNode\n"
     "AddMapping m: Unknown attribute number-type encountered in node ExcelColumnNode\n"},
    {"binds-to and maps-to on one column",
     "<MolvoExcelMapping><SheetMapping name='S'><ColumnMapping name='x' binds-to='o' maps-to='Total'/></SheetMapping></MolvoExcelMapping>",
     0, "AddMapping m: Only one of the binds-to, maps-to and value attributes can be specified at a time for node x\n"},
    {"a named row is told its name is not used",
     "<MolvoExcelMapping><SheetMapping name='S'><RowMapping name='rows'><ColumnMapping name='x' binds-to='o'/>"
     "</RowMapping></SheetMapping></MolvoExcelMapping>", 1,
     "The name-to attribute 'rows' is not used for child nodes of node 'S' of type ExcelSheetNode\n"},
};

class ExcelMappingFiles : public ExcelTest, public ::testing::WithParamInterface<FileCase> {};

TEST_P(ExcelMappingFiles, AreCheckedWithTheseMessages) {
    const FileCase& c = GetParam();
    model().declareParameter(L"Chosen", molvo::ParameterDeclaration{{}, molvo::Storage::Element, std::wstring(), L"Sheets"});
    model().declareParameter(L"Enabled", molvo::ParameterDeclaration{{}, molvo::Storage::Numeric, 0.0, L""});
    model().declareParameter(L"Open", molvo::ParameterDeclaration{{L"o"}, molvo::Storage::Numeric, 0.0, L""});
    EXPECT_EQ(addMapping("m", c.xml), c.result);
    EXPECT_EQ(errorsJoined(), c.errors);
}

INSTANTIATE_TEST_SUITE_P(Excel, ExcelMappingFiles, ::testing::ValuesIn(kCases), CaseTitle());

}  // namespace
}  // namespace flk::test
