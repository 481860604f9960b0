// Options and info items by number and by name, checked against the type libcurl gives them;
// default headers and options; query strings; header lines.
#include "client/client_fixture.hpp"
#include "client/header_line.hpp"

namespace flk::test {
namespace {

class ClientNames : public ClientTest {
protected:
    // A one-dimensional parameter over a new set of names, holding these values.
    int parameter(const std::wstring& name, molvo::Storage storage, const std::vector<std::pair<std::wstring, molvo::Value>>& values) {
        molvo::SetDeclaration names;
        names.indices = {name + L"_i"};
        model().declareSet(name + L"_set", names);
        molvo::Value none = storage == molvo::Storage::String ? molvo::Value(std::wstring()) : molvo::Value(0.0);
        model().declareParameter(name, molvo::ParameterDeclaration{{name + L"_i"}, storage, none, L""});
        for (const auto& [element, value] : values) {
            model().assign(name + L"_set", {element}, 1.0);
            model().assign(name, {element}, value);
        }
        int handle = 0;
        EXPECT_EQ(MolvoIdentifierHandleCreateW(name.c_str(), nullptr, nullptr, 0, &handle), 1);
        return handle;
    }
};

TEST_F(ClientNames, OptionsTakeOnlyValuesOfTheirOwnType) {
    ASSERT_EQ(newRequest("r", "/echo"), 1);
    EXPECT_EQ(AddIntOption("r", CURLOPT_TIMEOUT, 5), 1);
    EXPECT_EQ(AddStringOption("r", CURLOPT_USERAGENT, "model/1"), 1);
    EXPECT_EQ(AddIntOption("r", CURLOPT_USERAGENT, 12345), 0);
    EXPECT_EQ(AddStringOption("r", CURLOPT_TIMEOUT, "5"), 0);
    EXPECT_EQ(AddIntOption("r", CURLOPT_WRITEFUNCTION, 1), 0);
    EXPECT_EQ(AddIntOption("r", CURLOPT_PRIVATE, 1), 0);
    EXPECT_EQ(AddStringOption("r", CURLOPT_ERRORBUFFER, "x"), 0);
    EXPECT_EQ(AddIntOption("r", 99999, 1), 0);
    EXPECT_EQ(errorTexts(), (std::vector<std::wstring>{
                                L"AddIntOption: Option USERAGENT takes a text, not an integer",
                                L"AddStringOption: Option TIMEOUT takes an integer, not a text",
                                L"AddIntOption: Option WRITEFUNCTION is set by the library itself and cannot be set by a model",
                                L"AddIntOption: Option PRIVATE is set by the library itself and cannot be set by a model",
                                L"AddStringOption: Option ERRORBUFFER is set by the library itself and cannot be set by a model",
                                L"AddIntOption: An unknown option was passed in to libcurl"}));
    ASSERT_EQ(PerformRequest("r"), 1);
    collect(1);
    ASSERT_EQ(completions_.size(), 1u);
    EXPECT_EQ(completions_[0].code, 200);
}

TEST_F(ClientNames, APostBodyGivenAsAnOptionIsCopied) {
    ASSERT_EQ(newRequest("r", "/echo", "POST", "", "#out"), 1);
    {
        std::string body = "from an option";
        ASSERT_EQ(AddStringOption("r", CURLOPT_POSTFIELDS, body.c_str()), 1);
        body.assign(body.size(), '?');   // the caller's text is gone before the transfer
    }
    ASSERT_EQ(PerformRequest("r"), 1);
    collect(1);
    ASSERT_EQ(completions_.size(), 1u);
    EXPECT_NE(completions_[0].body.find("body=from an option"), std::string::npos) << completions_[0].body;
}

TEST_F(ClientNames, InfoItemsAreReadIntoTheirOwnType) {
    int items = parameter(L"Items", molvo::Storage::Numeric, {{L"RESPONSE_CODE", 1.0}, {L"TOTAL_TIME", 1.0}, {L"EFFECTIVE_URL", 1.0},
                                                               {L"SIZE_DOWNLOAD_T", 1.0}, {L"PRIVATE", 1.0}});
    int numbers = parameter(L"Numbers", molvo::Storage::Numeric, {});
    int texts = parameter(L"Texts", molvo::Storage::String, {});
    duringCallback_ = [&](const std::string&) {
        EXPECT_EQ(GetInfoItems("r", items, numbers, texts), 1) << errorsJoined();
        int code = 0;
        EXPECT_EQ(GetIntInfoItem("r", CURLINFO_RESPONSE_CODE, &code), 1);
        EXPECT_EQ(code, 200);
        char text[8192];
        EXPECT_EQ(GetStringInfoItem("r", CURLINFO_EFFECTIVE_URL, text), 1);
        EXPECT_EQ(std::string(text), url("/big?bytes=12"));
        EXPECT_EQ(GetIntInfoItem("r", CURLINFO_EFFECTIVE_URL, &code), 0);
        EXPECT_EQ(GetStringInfoItem("r", CURLINFO_PRIVATE, text), 0);
        EXPECT_EQ(GetIntInfoItem("r", CURLINFO_TOTAL_TIME, &code), 0);
    };
    ASSERT_EQ(newRequest("r", "/big?bytes=12"), 1);
    ASSERT_EQ(PerformRequest("r"), 1);
    collect(1);
    ASSERT_EQ(completions_.size(), 1u);
    EXPECT_EQ(model().get(L"Numbers", {L"RESPONSE_CODE"}), molvo::Value(200.0));
    EXPECT_EQ(model().get(L"Numbers", {L"SIZE_DOWNLOAD_T"}), molvo::Value(12.0));
    EXPECT_EQ(model().card(L"Numbers"), 2u);   // durations and pointers are not read
    EXPECT_EQ(model().get(L"Texts", {L"EFFECTIVE_URL"}), molvo::Value(fromUtf8(url("/big?bytes=12"))));
    EXPECT_EQ(errorTexts(), (std::vector<std::wstring>{L"GetIntInfoItem: Info item 1048577 is not an integer item",
                                                       L"GetStringInfoItem: Info item 1048597 is not a text item",
                                                       L"GetIntInfoItem: Info item 3145731 is not an integer item"}));
}

TEST_F(ClientNames, DefaultsApplyToEveryNewRequest) {
    int headers = parameter(L"DefaultHeaders", molvo::Storage::String, {{L"X-A", std::wstring(L"default")}});
    int integers = parameter(L"IntOptions", molvo::Storage::Numeric, {{L"TIMEOUT", 10.0}});
    int texts = parameter(L"TextOptions", molvo::Storage::String, {{L"USERAGENT", std::wstring(L"model/2")}});
    ASSERT_EQ(SetDefaultHeaders(headers), 1);
    ASSERT_EQ(SetDefaultOptions(integers, texts), 1);
    ASSERT_EQ(newRequest("with", "/echo", "GET", "", "#a"), 1);
    ASSERT_EQ(newRequest("own", "/echo", "GET", "", "#b"), 1);
    ASSERT_EQ(AddHeader("own", "X-A", "own"), 1);   // the request's own header wins
    ASSERT_EQ(PerformRequest("with"), 1);
    ASSERT_EQ(PerformRequest("own"), 1);
    collect(2);
    ASSERT_EQ(completions_.size(), 2u);
    for (const Completion& c : completions_)
        EXPECT_NE(c.body.find(c.id == "with" ? "x-a=[default]" : "x-a=[own]"), std::string::npos) << c.body;
    int none = parameter(L"NoHeaders", molvo::Storage::String, {});
    EXPECT_EQ(SetDefaultHeaders(none), 1);
}

TEST_F(ClientNames, RequestOptionsByNameStopAtTheFirstRefused) {
    int integers = parameter(L"IntOptions", molvo::Storage::Numeric, {{L"NO_SUCH_OPTION", 1.0}});
    int texts = parameter(L"TextOptions", molvo::Storage::String, {});
    ASSERT_EQ(newRequest("r", "/echo"), 1);
    EXPECT_EQ(AddRequestOptions("r", integers, texts), 0);
    EXPECT_EQ(errorTexts(), std::vector<std::wstring>{L"AddRequestOptions: NO_SUCH_OPTION: An unknown option was passed in to libcurl"});
}

TEST_F(ClientNames, QueryStringsEncodeEveryByteButTheUnreserved) {
    int query = parameter(L"Query", molvo::Storage::String, {{L"a", std::wstring(L"x y&z")}, {L"b", std::wstring(L"\u00fc-._~")}});
    wchar_t out[2048];
    ASSERT_EQ(QueryMapEncode(query, out), 1);
    EXPECT_EQ(std::wstring(out), L"a=x%20y%26z&b=%C3%BC-._~");
}

TEST(HeaderLines, AreSplitIntoNameAndValue) {
    struct Case {
        const char* line;
        bool header;
        const char* name;
        const char* value;
    };
    const Case cases[] = {{"Content-Type: text/plain\r\n", true, "Content-Type", "text/plain"},
                          {"X-Tight:value\r\n", true, "X-Tight", "value"},
                          {"X-Empty:\r\n", true, "X-Empty", ""},
                          {"X-Colon: a:b\r\n", true, "X-Colon", "a:b"},
                          {"HTTP/1.1 200 OK\r\n", false, "", ""},
                          {"\r\n", false, "", ""},
                          {"Bad Name: x\r\n", false, "", ""},
                          {": x\r\n", false, "", ""}};
    for (const Case& c : cases) {
        std::string_view name, value;
        EXPECT_EQ(client::parseHeaderLine(c.line, name, value), c.header) << c.line;
        if (!c.header) continue;
        EXPECT_EQ(name, c.name);
        EXPECT_EQ(value, c.value);
    }
}

}  // namespace
}  // namespace flk::test
