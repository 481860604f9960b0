// The domains of an identifier as the host describes them: the indices it is declared over, the
// range of an element parameter or index, the root set of a set or index, and the sets of a call.
// A domain owns the handles the host gave it and deletes them when destroyed.
#pragma once

#include <string>

namespace flk {

class MolvoDomain {
public:
    static constexpr int kMaxDimension = 32;

    virtual ~MolvoDomain();
    // Reads the domain of the identifier behind the handle; false when the host refused.
    virtual bool fill(int handle);

    int count() const { return count_; }
    int handle(int k) const { return handles_[k]; }
    int slicedDimension() const { return sliced_; }
    int slicedAway() const { return count_ - sliced_; }
    const std::wstring& name() const { return name_; }

protected:
    int handles_[kMaxDimension] = {0};
    int count_ = 0;
    int sliced_ = 0;
    std::wstring name_;
};

class MolvoDeclarationDomain : public MolvoDomain {
public:
    bool fill(int handle) override;
};

class MolvoCallDomain : public MolvoDomain {
public:
    bool fill(int handle) override;
};

class MolvoRootDomain : public MolvoDomain {
public:
    bool fill(int handle) override;
    bool isCalendar() const { return calendar_; }

private:
    bool calendar_ = false;
};

// Does not read the base attributes; holds one handle, the range, when the identifier has one.
class MolvoRangeDomain : public MolvoDomain {
public:
    bool fill(int handle) override;
    bool hasRange() const { return hasRange_; }
    int range() const { return handles_[0]; }

private:
    bool hasRange_ = false;
};

}  // namespace flk
