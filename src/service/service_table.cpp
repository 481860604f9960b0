#include "service/service_table.hpp"

#include "frame/loggers.hpp"
#include "frame/utf8.hpp"
#include "host/molvo_io_handler.hpp"

#include <stdexcept>

namespace flk::service {
namespace {

// Whether the model has the procedure and it takes no arguments.
bool takesNoArguments(const std::wstring& procedure) {
    int handle = 0, arguments = -1;
    if (MolvoProcedureHandleCreateW(procedure.c_str(), &handle, &arguments, nullptr) != 1) return false;
    MolvoProcedureHandleDelete(handle);
    return arguments == 0;
}

}  // namespace

ServiceTable readServiceTable(int servicesHandle) {
    MolvoIOHandler services(servicesHandle, false, MolvoIOHandler::kMaxStringSize);
    if (!services.valid() || services.fullDimension() != 1 || services.storage() != IdentifierHandle::kString)
        throw std::runtime_error("the services argument should be a one-dimensional string parameter (service name to procedure name)");
    MolvoIOHandler names(services.declarationDomain().handle(0), false, 0);
    ServiceTable table;
    services.resetIteration();
    for (int count; (count = services.nextBatch()) > 0;)
        for (int i = 0; i < count; ++i) {
            const std::string service = names.elementName(services.batchTuple(i)[0]);
            const MolvoValueW& value = services.batchValue(i);
            const std::wstring procedure = value.String ? std::wstring(value.String) : std::wstring();
            LOG4CXX_INFO(logger(Log::TasksServlet), "Adding service " << service << ", procedure = " << toUtf8(procedure));
            if (takesNoArguments(procedure)) table[service] = procedure;
            else
                LOG4CXX_ERROR(logger(Log::TasksServlet), "Service procedure " << toUtf8(procedure) << " for service "
                                                                               << service << " has wrong prototype");
        }
    return table;
}

}  // namespace flk::service
