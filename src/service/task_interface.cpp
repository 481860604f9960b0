#include "service/task_interface.hpp"

#include "frame/utf8.hpp"

#include <stdexcept>

namespace flk::service {
namespace {

[[noreturn]] void fail(const MolvoIOHandler& handler, const std::string& what) {
    throw std::runtime_error(what + " " + toUtf8(handler.name()) + ": " + toUtf8(handler.lastError()));
}

}  // namespace

TaskInterface::Target::Target(const wchar_t* name)
    : parameter(std::make_unique<MolvoIOHandler>(name, false, 0, MolvoIOHandler::kMaxStringSize)) {
    if (parameter->valid() && parameter->fullDimension() == 1)
        index = std::make_unique<MolvoIOHandler>(parameter->declarationDomain().handle(0), false, 0);
}

void TaskInterface::Target::write(const quaynet::Fields& values) {
    if (!index || parameter->storage() != IdentifierHandle::kString)
        throw std::runtime_error("the model needs the one-dimensional string parameter " + toUtf8(parameter->name()) +
                                 (parameter->valid() ? std::string() : ": " + toUtf8(parameter->creationError())));
    for (const auto& [name, value] : values) {
        int element = index->elementByName(name, false);
        if (element == 0) fail(*index, "cannot add the element '" + name + "' to");
        if (parameter->batchFull() && !(index->flush() && parameter->flush())) fail(*parameter, "cannot assign");
        parameter->assignText(&element, value);
    }
    if (!index->flush()) fail(*index, "cannot add elements to");
    if (!parameter->flush()) fail(*parameter, "cannot assign");
}

TaskInterface::TaskInterface()
    : attributes_(L"flk::api::RequestAttrs"), headers_(L"flk::api::Headers"), parameters_(L"flk::api::RequestPars") {}

void TaskInterface::write(const quaynet::Fields& attributes, const quaynet::Fields& headers,
                          const quaynet::Fields& parameters) {
    attributes_.write(attributes);
    headers_.write(headers);
    parameters_.write(parameters);
}

void TaskInterface::empty() {
    for (Target* t : {&attributes_, &headers_, &parameters_})
        if (t->parameter->valid()) MolvoIdentifierEmpty(t->parameter->handle());
}

}  // namespace flk::service
