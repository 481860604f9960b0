// A host handle on one identifier with the attributes the library needs. The handle is created
// on construction and deleted with the record.
#pragma once

#include <string>
#include <vector>

namespace flk {

class IdentifierHandle {
public:
    // Type codes the library tests.
    static constexpr int kRootSet = 1;
    static constexpr int kSubset = 2;
    static constexpr int kIndex = 60;
    // Storage codes; binary storage (3) is read as integer storage.
    static constexpr int kDouble = 1;
    static constexpr int kInteger = 2;
    static constexpr int kBinary = 3;
    static constexpr int kString = 4;

    IdentifierHandle(std::wstring name, int flags);
    // A handle the host gave the caller (an export's argument): read, never deleted here.
    explicit IdentifierHandle(int borrowedHandle);
    virtual ~IdentifierHandle();
    IdentifierHandle(const IdentifierHandle&) = delete;
    IdentifierHandle& operator=(const IdentifierHandle&) = delete;

    // False when the host refused the handle; creationError() says why.
    bool valid() const { return handle_ != 0; }
    const std::wstring& creationError() const { return creationError_; }

    int handle() const { return handle_; }
    const std::wstring& name() const { return name_; }
    const std::vector<int>& slicing() const { return slicing_; }
    int type() const { return type_; }
    int fullDimension() const { return fullDimension_; }
    int slicedDimension() const { return slicedDimension_; }
    int storage() const { return storage_; }
    bool isSet() const { return type_ == kRootSet || type_ == kSubset; }
    bool isSetOrIndex() const { return isSet() || type_ == kIndex; }
    // Whether the set, or an index's root set, is a calendar; asked once and cached.
    bool isCalendar();

protected:
    int secondHandle_ = 0;   // an auxiliary handle, deleted with the record

private:
    void readAttributes();

    int handle_ = 0;
    bool owned_ = true;
    std::wstring name_;
    std::wstring creationError_;
    std::vector<int> slicing_;
    int type_ = 0;
    int fullDimension_ = 0;
    int slicedDimension_ = 0;
    int storage_ = 0;
    int calendar_ = -1;
};

// The host's last error as "<code>: text" parts; code 0 means none.
struct HostError {
    int code = 0;
    std::wstring text;
};
HostError lastHostError();

}  // namespace flk
