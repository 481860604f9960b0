// The document kinds of mapping files. A format adds its root class here when it is built.
#include "mapping/root_kinds.hpp"

#include "formats/excel/excel_nodes.hpp"
#include "formats/json/json_nodes.hpp"

namespace flk {

const std::vector<RootKind>& rootKinds() {
    static const std::vector<RootKind> kinds{
        {"MolvoXMLMapping", "XML", nullptr},
        {"MolvoJSONMapping", "JSON", [] { return std::shared_ptr<TreeNode>(std::make_shared<JSONRootNode>()); }},
        {"MolvoCSVMapping", "CSV", nullptr},
        {"MolvoExcelMapping", "Excel", [] { return std::shared_ptr<TreeNode>(std::make_shared<ExcelRootNode>()); }},
        {"MolvoParquetMapping", "Parquet", nullptr},
    };
    return kinds;
}

}  // namespace flk
