// The simulated host's in-memory model, for declaring models in tests and in molvo-sim.
//
// One process-wide model (molvo::model()) stands behind the Molvo* functions of molvo3.h. Declaring
// identifiers is not thread-safe: do it before library threads start, on the thread that holds control.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <variant>
#include <vector>

namespace molvo {

enum class Storage { Numeric, Integer, String, Element };
enum class CalendarUnit { Year, Month, Day, Hour, Minute, Second };

struct Calendar {
    CalendarUnit unit = CalendarUnit::Day;
    std::wstring first, last;   // dates as "YYYY-MM-DD[ hh[:mm[:ss]]]"
    std::wstring format;        // timeslot format: %c century, %y year in century, %Y year, %m, %d, %H, %M, %S
};

struct SetDeclaration {
    std::vector<std::wstring> indices;   // indices bound to the set
    std::vector<std::wstring> elements;  // initial elements, in order
    std::wstring subsetOf;               // empty for a root set
    std::unique_ptr<Calendar> calendar;  // calendars are root sets with fixed elements
};

// A value as the model sees it: a number, an element name or a string.
using Value = std::variant<double, std::wstring>;

struct ParameterDeclaration {
    std::vector<std::wstring> indices;
    Storage storage = Storage::Numeric;
    Value defaultValue = 0.0;
    std::wstring range;                  // element parameters: the range set
};

struct ProcedureArgument {
    int type;                            // MOLVO_ARG_INPUT_NUMERIC or MOLVO_ARG_INPUT_STRING
    double number;
    std::wstring text;
};
// A procedure body returns its result; throwing std::exception makes the run fail.
using ProcedureBody = std::function<int(const std::vector<ProcedureArgument>&)>;

struct Entry {                           // one stored value with its tuple as element names
    std::vector<std::wstring> tuple;
    Value value;
};

struct RaisedError {
    int severity;                        // 1 error, 2 warning
    std::wstring message;
    std::wstring source;
};

class Model {
public:
    virtual ~Model() = default;

    // Declarations; each throws std::invalid_argument with a clear text for a bad declaration.
    virtual void declareSet(const std::wstring& name, const SetDeclaration& declaration) = 0;
    virtual void declareParameter(const std::wstring& name, const ParameterDeclaration& declaration) = 0;
    virtual void declareProcedure(const std::wstring& name, std::vector<int> argumentTypes, ProcedureBody body) = 0;
    // Removes every identifier, procedure, handle and raised error: a fresh model.
    virtual void clear() = 0;

    // Inspection and assignment by names; unknown names throw std::invalid_argument.
    virtual Value get(const std::wstring& name, const std::vector<std::wstring>& tuple) const = 0;
    virtual void assign(const std::wstring& name, const std::vector<std::wstring>& tuple, const Value& value) = 0;
    virtual std::vector<std::wstring> elements(const std::wstring& set) const = 0;
    virtual std::vector<Entry> data(const std::wstring& name) const = 0;   // non-default values, in tuple order
    virtual size_t card(const std::wstring& name) const = 0;
    virtual void empty(const std::wstring& name) = 0;
    virtual int handle(const std::wstring& name) = 0;   // creates a handle, owned by the model until clear()

    virtual std::vector<RaisedError> errors() const = 0;
    virtual void clearErrors() = 0;
    // Asks the installed interrupt callback (0 when none is installed).
    virtual int checkInterrupt(bool solving) = 0;
};

Model& model();

// The thread that calls this becomes the one running the model and holds control from now on.
void beginModelRun();
// The model is idle for the given time: other threads may take control meanwhile.
void idle(int milliseconds);

}  // namespace molvo
