// The model's side of a task: the three string parameters through which a task's attributes,
// headers and query parameters reach flk::api::HandleRequest. Used only while host control is held,
// by one task at a time.
#pragma once

#include "host/molvo_io_handler.hpp"
#include "quaynet/quaynet.hpp"

#include <memory>

namespace flk::service {

class TaskInterface {
public:
    // Looks the parameters up by name; a missing one is reported when a task needs it.
    TaskInterface();

    // Assigns name → value pairs to each parameter, adding the names to its index set. Throws
    // std::runtime_error naming the parameter and the host's reason when one cannot be written.
    void write(const quaynet::Fields& attributes, const quaynet::Fields& headers, const quaynet::Fields& parameters);
    // Empties all three parameters.
    void empty();

private:
    struct Target {
        explicit Target(const wchar_t* name);
        void write(const quaynet::Fields& values);
        std::unique_ptr<MolvoIOHandler> parameter;
        std::unique_ptr<MolvoIOHandler> index;
    };
    Target attributes_, headers_, parameters_;
};

}  // namespace flk::service
