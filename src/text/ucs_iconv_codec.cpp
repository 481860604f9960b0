// Every code page other than UTF-16 and UTF-32 is converted by the system's iconv, between the
// code page's iconv name and the wide characters ("WCHAR_T", glibc's own internal form, so that
// each direction is a single conversion step).
#include "text/ucs_codec.hpp"
#include "text/ucs_exceptions.hpp"

#include <iconv.h>

#include <cerrno>

namespace UCS {
namespace {

constexpr const char* kIconvWide = "WCHAR_T";
const iconv_t kNoConverter = reinterpret_cast<iconv_t>(-1);

class IconvCodec final : public Codec {
public:
    IconvCodec(iconv_t cd, std::string name, bool ignore) : cd_(cd), name_(std::move(name)), ignore_(ignore) {}
    ~IconvCodec() override { iconv_close(cd_); }

    Result decode(const char*& in, const char* inEnd, wchar_t*& out, wchar_t* outEnd) override {
        return run(in, inEnd, out, outEnd, sizeof(char), name_, kWideName);
    }

    Result encode(const wchar_t*& in, const wchar_t* inEnd, char*& out, char* outEnd) override {
        return run(in, inEnd, out, outEnd, sizeof(wchar_t), kWideName, name_);
    }

    Result finish(char*& out, char* outEnd) override {
        size_t outLeft = outEnd - out;
        const size_t done = iconv(cd_, nullptr, nullptr, &out, &outLeft);
        if (done != static_cast<size_t>(-1)) return Result::kDone;
        if (errno == E2BIG) return Result::kOutputFull;
        throw SystemException(errno);
    }

private:
    template <class In, class Out>
    Result run(const In*& in, const In* inEnd, Out*& out, Out* outEnd, size_t skipUnit, const std::string& from,
               const std::string& to) {
        char* inBytes = reinterpret_cast<char*>(const_cast<In*>(in));
        char* outBytes = reinterpret_cast<char*>(out);
        size_t inLeft = (inEnd - in) * sizeof(In);
        size_t outLeft = (outEnd - out) * sizeof(Out);
        const char* callStart = inBytes;
        Result result = Result::kDone;
        while (inLeft > 0) {
            char* before = inBytes;
            if (iconv(cd_, &inBytes, &inLeft, &outBytes, &outLeft) != static_cast<size_t>(-1)) break;
            if (errno == E2BIG) {
                result = Result::kOutputFull;
                break;
            }
            if (errno == EINVAL) {
                result = Result::kIncomplete;
                break;
            }
            if (errno != EILSEQ) {
                settle(in, inBytes, out, outBytes, callStart);
                throw SystemException(errno);
            }
            if (!ignore_) {
                settle(in, inBytes, out, outBytes, callStart);
                throw UnmappableCharacterException(from, to, consumed_);
            }
            // "//IGNORE": glibc skips what it can and still reports EILSEQ; skip a unit only when
            // it made no progress at all.
            if (inBytes == before && inLeft >= skipUnit) {
                inBytes += skipUnit;
                inLeft -= skipUnit;
            }
        }
        settle(in, inBytes, out, outBytes, callStart);
        return result;
    }

    template <class In, class Out>
    void settle(const In*& in, char* inBytes, Out*& out, char* outBytes, const char* callStart) {
        consumed_ += inBytes - callStart;
        in = reinterpret_cast<const In*>(inBytes);
        out = reinterpret_cast<Out*>(outBytes);
    }

    iconv_t cd_;
    const std::string name_;
    const bool ignore_;
    size_t consumed_ = 0;  // input bytes converted in earlier calls
};

}  // namespace

std::unique_ptr<Codec> makeIconvCodec(const ResolvedEncoding& encoding, const std::string& name, bool decoding) {
    const std::string_view iconvName = iconvNameOf(encoding.codePage);
    if (iconvName.empty()) return nullptr;
    std::string codeSet(iconvName);
    std::string wide(kIconvWide);
    std::string& target = decoding ? wide : codeSet;
    if (encoding.translit) target += "//TRANSLIT";
    if (encoding.ignore) target += "//IGNORE";
    const iconv_t cd = decoding ? iconv_open(wide.c_str(), codeSet.c_str()) : iconv_open(codeSet.c_str(), wide.c_str());
    if (cd == kNoConverter) return nullptr;
    return std::make_unique<IconvCodec>(cd, name, encoding.ignore);
}

}  // namespace UCS
