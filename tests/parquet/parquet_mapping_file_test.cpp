// Parquet mapping files: the elements each node accepts, and the messages for the others.
#include "parquet/parquet_fixture.hpp"

namespace flk::test {
namespace {

struct MappingCase {
    const char* title;
    std::string mapping;
    const char* error;   // "" for a mapping that is accepted
};

const MappingCase kCases[] = {
    {"every table element and both column elements are accepted",
     R"(<MolvoParquetMapping iterative-reset="1"><RowMapping iterative-binds-to="l" iterative-prefix="L">
          <ArrowTableColumnMapping name="x" maps-to="Note" max-string-size="10"/><ColumnMapping name="y" value="1"/>
        </RowMapping></MolvoParquetMapping>)",
     ""},
    {"two tables under the root",
     "<MolvoParquetMapping><ParquetMapping/><TableMapping/></MolvoParquetMapping>",
     "Parquet root node should have a single child"},
    {"no table under the root", "<MolvoParquetMapping/>", "Parquet root node should have a single child"},
    {"another element under the root",
     "<MolvoParquetMapping><SheetMapping/></MolvoParquetMapping>",
     "Mapping type SheetMapping not supported underneath a MolvoParquetMapping"},
    {"another element under a table",
     "<MolvoParquetMapping><ArrowTableMapping><ValueMapping/></ArrowTableMapping></MolvoParquetMapping>",
     "Mapping type ValueMapping not supported underneath a ArrowTableMapping"},
    {"any element under a column",
     "<MolvoParquetMapping><ParquetMapping><ColumnMapping name=\"x\"><ColumnMapping/></ColumnMapping></ParquetMapping></MolvoParquetMapping>",
     "Mapping type ColumnMapping not supported underneath an ArrowTableColumnMapping"},
};

class ParquetMappingFile : public ParquetTest, public ::testing::WithParamInterface<MappingCase> {};

TEST_P(ParquetMappingFile, IsAcceptedOrRefusedWithItsMessage) {
    const MappingCase& c = GetParam();
    EXPECT_EQ(*c.error ? 0 : 1, addMapping("m", c.mapping));
    if (*c.error) EXPECT_NE(std::string::npos, errorsJoined().find(c.error)) << errorsJoined();
    else EXPECT_EQ("", errorsJoined());
}

INSTANTIATE_TEST_SUITE_P(Cases, ParquetMappingFile, ::testing::ValuesIn(kCases), CaseTitle());

}  // namespace
}  // namespace flk::test
