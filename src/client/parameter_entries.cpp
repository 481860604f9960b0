#include "client/parameter_entries.hpp"

#include "frame/call_context.hpp"
#include "frame/utf8.hpp"

namespace flk::client {
namespace {

bool isOneDimensional(const MolvoIOHandler& parameter) {
    return parameter.valid() && parameter.fullDimension() == 1 && parameter.slicedDimension() == 1 && !parameter.isSetOrIndex();
}

bool notOneDimensional(const char* role) { return raiseError(std::string(role) + " must be a one-dimensional parameter"); }

}  // namespace

bool readEntries(int handle, const char* role, std::vector<ParameterEntry>& entries) {
    MolvoIOHandler parameter(handle, false, MolvoIOHandler::kMaxStringSize);
    if (!isOneDimensional(parameter)) return notOneDimensional(role);
    MolvoIOHandler index(parameter.declarationDomain().handle(0), false, 0);
    const bool text = parameter.storage() == IdentifierHandle::kString;
    parameter.resetIteration();
    for (int count; (count = parameter.nextBatch()) > 0;) {
        for (int i = 0; i < count; ++i) {
            ParameterEntry entry;
            entry.element = parameter.batchTuple(i)[0];
            entry.name = index.elementName(entry.element);
            const MolvoValueW& value = parameter.batchValue(i);
            if (text) entry.text = toUtf8(std::wstring_view(value.String ? value.String : L"", size_t(std::max(value.Length, 0))));
            else entry.number = parameter.storage() == IdentifierHandle::kDouble ? value.Double : value.Int;
            entries.push_back(std::move(entry));
        }
    }
    if (parameter.ok()) return true;
    raiseError(parameter.lastError());
    return false;
}

EntryWriter::EntryWriter(int handle, const char* role)
    : parameter_(handle, false, MolvoIOHandler::kMaxStringSize),
      index_(isOneDimensional(parameter_) ? parameter_.declarationDomain().handle(0) : 0, false, 0),
      usable_(isOneDimensional(parameter_) || notOneDimensional(role)) {}

int EntryWriter::element(const std::string& name) {
    int element = index_.elementByName(name, false);
    if (element > 0) {
        if (parameter_.batchFull()) index_.flush();
        return element;
    }
    raiseError("cannot add the element '" + name + "': " + toUtf8(index_.lastError()));
    index_.clearError();
    return 0;
}

void EntryWriter::assignText(const std::string& elementName, const std::string& text) {
    if (int at = element(elementName)) parameter_.assignText(&at, text);
}

void EntryWriter::assignNumber(const std::string& elementName, double number) {
    if (int at = element(elementName)) parameter_.assignNumber(&at, number);
}

bool EntryWriter::finish() {
    bool ok = true;
    for (MolvoIOHandler* handler : {&index_, &parameter_}) {
        if (handler->flush() || handler->lastErrorCode() == 0) continue;
        raiseError(handler->lastError());
        ok = false;
    }
    return ok;
}

}  // namespace flk::client
