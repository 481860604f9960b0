// One-dimensional parameters the model hands the client by handle: headers by name, options by
// name, info items by name, query keys. Read and written only while the host is held.
#pragma once

#include "host/molvo_io_handler.hpp"

#include <string>
#include <vector>

namespace flk::client {

struct ParameterEntry {
    int element = 0;     // of the parameter's index
    std::string name;    // the element's name
    std::string text;    // the value of a string parameter
    double number = 0;   // the value of a numeric parameter
};

// The parameter's non-default values with the names of their elements, in the host's order.
// False after raising "<role> must be a one-dimensional parameter".
bool readEntries(int handle, const char* role, std::vector<ParameterEntry>& entries);

// Assigns values of a one-dimensional parameter at elements given by name, created in its index
// where missing.
class EntryWriter {
public:
    EntryWriter(int handle, const char* role);
    // False after raising, when the handle is no one-dimensional parameter.
    bool usable() const { return usable_; }
    void assignText(const std::string& elementName, const std::string& text);
    void assignNumber(const std::string& elementName, double number);
    // Hands everything to the host; false after raising what it refused.
    bool finish();

private:
    int element(const std::string& name);

    MolvoIOHandler parameter_;
    MolvoIOHandler index_;
    bool usable_;
};

}  // namespace flk::client
