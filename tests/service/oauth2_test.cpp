// The OAuth2 pieces: PKCE values, the redirect receiver on its route and on the event bus, the
// wait for a code, and the URLs the desktop opener accepts.
#include "service/code_challenge.hpp"
#include "service/extension_servlet_event.hpp"
#include "service/service_fixture.hpp"
#include "signalyard/signalyard.hpp"
#include "text/base64.hpp"

namespace flk::test {
namespace {

using OAuth2 = ServiceTest;

// The example of the PKCE standard: a verifier from 32 octets, and its S256 challenge.
TEST(CodeChallenge, TheS256ChallengeOfTheStandardsExample) {
    const unsigned char octets[] = {116, 24, 223, 180, 151, 153, 224, 37, 79, 250, 96, 125, 216, 173, 187, 186,
                                    22, 212, 37, 77, 105, 214, 191, 240, 91, 88, 5, 88, 83, 132, 141, 121};
    const std::string verifier = base64Encode(std::string_view(reinterpret_cast<const char*>(octets), sizeof octets), Base64::Url);
    EXPECT_EQ(verifier, "dBjftJeZ4CVP-mB92K27uhbUJU1p1r_wW1gFWFOEjXk");
    EXPECT_EQ(service::s256Challenge(verifier), "E9Melhoa2OwvFrEMTJguCHaoeK1t8URWbuGJSstw-cM");
    std::string decoded;
    base64Decode(verifier, decoded, Base64::Url);
    EXPECT_EQ(decoded, std::string(reinterpret_cast<const char*>(octets), sizeof octets));
}

TEST_F(OAuth2, EachChallengeIsNewWithAVerifierLongEnoughForServers) {
    std::vector<std::wstring> seenValues;
    for (int i = 0; i < 2; ++i) {
        wchar_t verifier[2048], challenge[2048], state[2048];
        ASSERT_EQ(CreateCodeChallenge(verifier, challenge, state), 1);
        std::wstring v(verifier);
        EXPECT_GE(v.size(), 43u);
        EXPECT_LE(v.size(), 128u);
        EXPECT_EQ(v.find_first_not_of(L"ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789-._~"), std::wstring::npos);
        EXPECT_EQ(std::wstring(challenge), fromUtf8(service::s256Challenge(toUtf8(v))));
        EXPECT_EQ(std::wstring(state).size(), 36u);
        seenValues.insert(seenValues.end(), {v, challenge, state});
    }
    std::sort(seenValues.begin(), seenValues.end());
    EXPECT_EQ(std::unique(seenValues.begin(), seenValues.end()), seenValues.end());
}

std::wstring newState() {
    wchar_t verifier[2048], challenge[2048], state[2048];
    CreateCodeChallenge(verifier, challenge, state);
    return state;
}

TEST_F(OAuth2, ARedirectReachesTheModelOnceUnderItsOwnState) {
    ASSERT_EQ(start(), 1);
    const std::string state = toUtf8(newState());
    auto browser = call("GET", "/oauth2/?state=" + state + "&code=xyz");
    EXPECT_EQ(browser.status, 200);
    EXPECT_NE(browser.body.find("This browser tab can be closed."), std::string::npos);
    EXPECT_EQ(GetOAuth2AuthorizationCode(fromUtf8(toUtf8(newState())).c_str(), 0, model().handle(L"Code")), 0);
    EXPECT_EQ(GetOAuth2AuthorizationCode(fromUtf8(state).c_str(), 0, model().handle(L"Code")), 1);
    EXPECT_EQ(std::get<std::wstring>(model().get(L"Code", {L"code"})), L"xyz");
    EXPECT_EQ(std::get<std::wstring>(model().get(L"Code", {L"state"})), fromUtf8(state));
    // A state nobody asks for any more, or never did, or none at all, is refused.
    EXPECT_EQ(call("GET", "/oauth2/?state=" + state + "&code=again").status, 400);
    EXPECT_EQ(GetOAuth2AuthorizationCode(fromUtf8(state).c_str(), 50, model().handle(L"Code")), 0);
    EXPECT_EQ(call("GET", "/oauth2/?state=forged&code=1").status, 400);
    EXPECT_EQ(call("GET", "/oauth2/?code=1").status, 404);
}

TEST_F(OAuth2, AReturnUrlRedirectsTheBrowserOnlyToTheWeb) {
    ASSERT_EQ(start(), 1);
    const std::string state = toUtf8(newState());
    auto web = call("GET", "/callback?state=" + state + "-url-" + base64Encode("https://example.org/done?x=1", Base64::Url) + "&code=c");
    EXPECT_EQ(web.status, 302);
    EXPECT_NE(web.headers.find("Location: https://example.org/done?x=1"), std::string::npos);
    EXPECT_EQ(GetOAuth2AuthorizationCode(fromUtf8(state).c_str(), 0, model().handle(L"Code")), 1);
    for (const char* url : {"javascript:alert(1)", "file:///etc/passwd", "https://a\r\nSet-Cookie: x=1"}) {
        const std::string again = toUtf8(newState());
        auto answer = call("GET", "/oauth2/?state=" + again + "-url-" + base64Encode(url, Base64::Url));
        EXPECT_EQ(answer.status, 200) << url;
        EXPECT_EQ(answer.headers.find("Location"), std::string::npos) << url;
    }
}

// A request another component's server offers on the event bus.
class OfferedRequest : public quaynet::IHTTPRequest, public quaynet::IHTTPResponse {
public:
    OfferedRequest(std::string path, std::string state) : path_(std::move(path)), query_{{"state", state}, {"code", "bus"}} {}
    const std::string& path() const override { return path_; }
    const quaynet::Fields& queryParameters() const override { return query_; }
    const std::string& target() const override { return path_; }
    int method() const override { return quaynet::kGet; }
    const std::string& body() const override { return empty_; }
    const quaynet::Fields& headers() const override { return noFields_; }
    std::string header(std::string_view) const override { return std::string(); }
    void setStatus(int s) override { status = s; }
    void send(int s, std::string) override { status = s; }
    void setHeader(const std::string&, const std::string&) override {}
    int status = 0;

private:
    std::string path_, empty_;
    quaynet::Fields query_, noFields_;
};

TEST_F(OAuth2, RedirectsOfferedOnTheEventBusAreTakenOnTheirRouteOnly) {
    ASSERT_EQ(start(), 1);
    Object sender;
    const std::string state = toUtf8(newState());
    OfferedRequest other("/extensions/app/oauth2/more", state);
    ExtensionServletEvent ignored(sender, other, other);
    DLLSignalyard::publish(ignored);
    EXPECT_EQ(other.status, 0);
    OfferedRequest redirect("/extensions/app/oauth2/", state);
    ExtensionServletEvent taken(sender, redirect, redirect);
    DLLSignalyard::publish(taken);
    EXPECT_EQ(redirect.status, 200);
    EXPECT_EQ(GetOAuth2AuthorizationCode(fromUtf8(state).c_str(), 0, model().handle(L"Code")), 1);
    EXPECT_EQ(std::get<std::wstring>(model().get(L"Code", {L"code"})), L"bus");
    StopAPIService();
    OfferedRequest late("/extensions/app/oauth2/", state);
    ExtensionServletEvent afterStop(sender, late, late);
    EXPECT_EQ(DLLSignalyard::publish(afterStop), 0u);
}

TEST_F(OAuth2, TheOpenerGetsOnlyWebUrlsAndTheWaitNeedsTheService) {
    for (const wchar_t* url : {L"file:///etc/passwd", L"/tmp/x", L"--help http://a", L"", L"http://a b"}) {
        model().clearErrors();
        EXPECT_EQ(OpenURLDesktop(url), 0);
        ASSERT_EQ(errorTexts().size(), 1u);
        EXPECT_NE(errorTexts()[0].find(L"is not an absolute http or https URL"), std::wstring::npos) << errorTexts()[0];
    }
    model().clearErrors();
    EXPECT_EQ(GetOAuth2AuthorizationCode(L"s", 100000, model().handle(L"Code")), 0);
    EXPECT_NE(errorTexts().at(0).find(L"the API service is not running"), std::wstring::npos);
}

}  // namespace
}  // namespace flk::test
