// Internal structure of the simulated host's model: sets, indices, parameters, procedures, handles.
#pragma once

#include "calendar.hpp"
#include "molvo/model.hpp"
#include "molvo/molvo3.h"
#include "name_index.hpp"
#include "text_values.hpp"
#include "tuple_store.hpp"

#include <deque>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace molvo {

struct SetData {
    std::wstring name;
    SetData* root = this;                // a root set points to itself
    SetData* parent = nullptr;           // the superset of a subset
    NameIndex names;                     // root sets only
    std::unique_ptr<CalendarData> calendar;  // root sets only
    std::vector<uint8_t> member;         // subsets only: by element number
    int memberCount = 0;                 // subsets only
    mutable std::vector<int> ordered;    // subsets only: members in order, rebuilt when dirty
    mutable bool orderedDirty = false;

    bool isRoot() const { return root == this; }
    int size() const { return isRoot() ? names.size() : memberCount; }
    bool contains(int element) const {
        if (element < 1 || element > root->names.size()) return false;
        return isRoot() || (size_t(element) < member.size() && member[element]);
    }
    // The element at a 1-based ordinal, 0 when out of range.
    int elementAt(int ordinal) const;
    void add(int element);               // into this set and every superset
    void remove(int element);
    void clearMembers();
};

enum class Kind { Set, Index, Parameter };

struct Identifier {
    std::wstring name;
    Kind kind = Kind::Set;
    int type = 0;
    SetData* set = nullptr;              // sets: the set; indices: the set they run over
    std::vector<Identifier*> indices;    // parameters: their indices
    Storage storage = Storage::Numeric;
    SetData* range = nullptr;            // element parameters: the range set
    Value defaultValue = 0.0;
    double defaultNumber = 0;            // numeric storages: the default as stored
    std::unique_ptr<TupleStore<double>> numbers;      // numeric, integer and element parameters
    std::unique_ptr<TextValues> texts;                // string parameters

    int dimension() const { return kind == Kind::Parameter ? int(indices.size()) : kind == Kind::Set ? 1 : 0; }
    SetData* domainSet(int k) const { return kind == Kind::Set ? set : indices[k]->set; }
};

struct Procedure {
    std::wstring name;
    std::vector<int> argumentTypes;
    ProcedureBody body;
};

struct HandleRecord {
    Identifier* identifier = nullptr;
    Procedure* procedure = nullptr;
    size_t cursor = 0;                   // iteration position in tuple order
};

class HostModel : public Model {
public:
    void declareSet(const std::wstring& name, const SetDeclaration& declaration) override;
    void declareParameter(const std::wstring& name, const ParameterDeclaration& declaration) override;
    void declareProcedure(const std::wstring& name, std::vector<int> argumentTypes, ProcedureBody body) override;
    void clear() override;
    Value get(const std::wstring& name, const std::vector<std::wstring>& tuple) const override;
    void assign(const std::wstring& name, const std::vector<std::wstring>& tuple, const Value& value) override;
    std::vector<std::wstring> elements(const std::wstring& set) const override;
    std::vector<Entry> data(const std::wstring& name) const override;
    size_t card(const std::wstring& name) const override;
    void empty(const std::wstring& name) override;
    int handle(const std::wstring& name) override;
    std::vector<RaisedError> errors() const override;
    void clearErrors() override;
    int checkInterrupt(bool solving) override;

    // For the C functions.
    Identifier* findIdentifier(std::wstring_view name) const;
    Procedure* findProcedure(std::wstring_view name) const;
    int newHandle(Identifier* identifier, Procedure* procedure);
    HandleRecord* handleRecord(int handle);
    bool deleteHandle(int handle);
    void emptyIdentifier(Identifier& id);
    void raise(int severity, std::wstring message, std::wstring source);

    MolvoInterruptCallback interruptCallback = nullptr;

private:
    Identifier& need(const std::wstring& name) const;
    std::vector<int> tupleOf(const Identifier& id, const std::vector<std::wstring>& names) const;
    void forgetElementsOf(SetData* root);

    // Keys view the names held by the values, which live on the heap and never move.
    std::unordered_map<std::wstring_view, std::unique_ptr<Identifier>> identifiers_;
    std::unordered_map<std::wstring_view, std::unique_ptr<Procedure>> procedures_;
    std::deque<SetData> sets_;
    std::unordered_map<int, HandleRecord> handles_;
    // The record last looked up: a batch of calls mostly goes through one handle. Records keep
    // their place in the map until erased.
    int lastHandle_ = 0;
    HandleRecord* lastRecord_ = nullptr;
    int nextHandle_ = 1;
    std::vector<RaisedError> errors_;
};

HostModel& hostModel();

// Values as the model sees them <-> as stored.
double numberOf(const Identifier& id, const Value& v);
Value valueOf(const Identifier& id, double stored);

}  // namespace molvo
