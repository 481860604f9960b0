// The document kinds of mapping files. A format adds its root class here when it is built.
#include "mapping/root_kinds.hpp"

#include "formats/csv/csv_nodes.hpp"
#include "formats/excel/excel_nodes.hpp"
#include "formats/json/json_nodes.hpp"
#include "formats/parquet/parquet_nodes.hpp"
#include "formats/xml/xml_nodes.hpp"

namespace flk {

const std::vector<RootKind>& rootKinds() {
    static const std::vector<RootKind> kinds{
        {"MolvoXMLMapping", "XML", [] { return std::shared_ptr<TreeNode>(std::make_shared<XMLRootNode>()); }},
        {"MolvoJSONMapping", "JSON", [] { return std::shared_ptr<TreeNode>(std::make_shared<JSONRootNode>()); }},
        {"MolvoCSVMapping", "CSV", [] { return std::shared_ptr<TreeNode>(std::make_shared<CSVRootNode>()); }},
        {"MolvoExcelMapping", "Excel", [] { return std::shared_ptr<TreeNode>(std::make_shared<ExcelRootNode>()); }},
        {"MolvoParquetMapping", "Parquet", [] { return std::shared_ptr<TreeNode>(std::make_shared<ArrowTableRootNode>()); }},
    };
    return kinds;
}

}  // namespace flk
