// ProxyResolve through the real export, with the environment as the system's proxy configuration,
// and the list rules it applies on their own.
#include "ferrolink/ferrolink.h"
#include "frame/utf8.hpp"
#include "proxy/proxy_rules.hpp"
#include "support/host_fixture.hpp"
#include "support/log_capture.hpp"

#include <cstdlib>
#include <cwchar>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace flk::test {
namespace {

using FlkProxyResolver::globMatch;
using FlkProxyResolver::proxiesFor;
using FlkProxyResolver::splitUrl;

constexpr const char* kProxyVariables[] = {"http_proxy", "HTTP_PROXY", "https_proxy", "HTTPS_PROXY",
                                           "no_proxy",   "NO_PROXY",   "ftp_proxy",   "FTP_PROXY"};

// Sets exactly the given proxy variables for its lifetime (the others unset), then restores all.
class ProxyEnvironment {
public:
    explicit ProxyEnvironment(const std::vector<std::pair<const char*, std::string>>& settings) {
        for (const char* name : kProxyVariables) {
            const char* value = std::getenv(name);
            saved_.emplace_back(name, value ? std::optional<std::string>(value) : std::nullopt);
            unsetenv(name);
        }
        for (const auto& [name, value] : settings) setenv(name, value.c_str(), 1);
    }
    ~ProxyEnvironment() {
        for (const auto& [name, value] : saved_) {
            if (value) setenv(name, value->c_str(), 1);
            else unsetenv(name);
        }
    }

private:
    std::vector<std::pair<const char*, std::optional<std::string>>> saved_;
};

constexpr const wchar_t* kUntouched = L"as passed";

// The result buffer after ProxyResolve, which must return 1 and raise nothing.
std::wstring resolve(const wchar_t* url) {
    std::vector<wchar_t> buffer(1024 + 16, L'#');
    std::wcscpy(buffer.data(), kUntouched);
    EXPECT_EQ(ProxyResolve(url, buffer.data()), 1) << url;
    return buffer.data();
}

using ProxyResolveTest = HostTest;

TEST_F(ProxyResolveTest, EnvironmentAndUrlGiveTheProxyOrLeaveTheBuffer) {
    struct Case {
        std::vector<std::pair<const char*, std::string>> environment;
        const wchar_t* url;
        const wchar_t* expected;
    };
    const Case cases[] = {
        {{}, L"http://example.com/", kUntouched},
        {{{"http_proxy", "h:1"}, {"https_proxy", "http://s:2"}}, L"http://example.com/", L"h:1"},
        {{{"http_proxy", "h:1"}, {"https_proxy", "http://s:2"}}, L"https://example.com/", L"http://s:2"},
        {{{"http_proxy", "hp:8080"}}, L"https://example.com/", L"hp:8080"},
        {{{"HTTP_PROXY", "upper:1"}, {"NO_PROXY", "skip.me"}}, L"http://a.example/", L"upper:1"},
        {{{"HTTP_PROXY", "upper:1"}, {"NO_PROXY", "skip.me"}}, L"http://skip.me/", kUntouched},
        // No "://": an http URL.
        {{{"http_proxy", "h:1"}, {"https_proxy", "s:2"}}, L"example.com/page", L"h:1"},
        {{{"http_proxy", "h:1"}, {"no_proxy", "<local>"}}, L"http://intranet/", kUntouched},
        {{{"http_proxy", "h:1"}, {"no_proxy", "<local>"}}, L"intranet", kUntouched},
        {{{"http_proxy", "h:1"}, {"no_proxy", "<local>"}}, L"http://www.example.com/", L"h:1"},
        {{{"http_proxy", "h:1"}, {"no_proxy", "<local>"}}, L"http://[::1]:8080/", L"h:1"},
        // Host names match without regard to case, and user info is not the host.
        {{{"http_proxy", "h:1"}, {"no_proxy", "Example.COM"}}, L"http://www.EXAMPLE.com/", kUntouched},
        {{{"http_proxy", "h:1"}, {"no_proxy", "Example.COM"}}, L"HTTP://user:pw@EXAMPLE.COM:80/x", kUntouched},
        {{{"http_proxy", "h:1"}, {"no_proxy", "example.com"}}, L"http://example.com@elsewhere.org/", L"h:1"},
        {{{"http_proxy", "h:1"}, {"https_proxy", "s:2"}}, L"HTTPS://Example.com/", L"s:2"},
        // IPv6 literals.
        {{{"http_proxy", "h:1"}, {"no_proxy", "[::1]"}}, L"http://[::1]:8080/", kUntouched},
        {{{"http_proxy", "h:1"}, {"no_proxy", "[::1]"}}, L"http://[fe80::1]/", L"h:1"},
        // Wildcards.
        {{{"http_proxy", "h:1"}, {"no_proxy", "*.corp, 10.?.0.1"}}, L"http://a.b.corp/", kUntouched},
        {{{"http_proxy", "h:1"}, {"no_proxy", "*.corp, 10.?.0.1"}}, L"http://10.7.0.1/", kUntouched},
        {{{"http_proxy", "h:1"}, {"no_proxy", "*.corp, 10.?.0.1"}}, L"http://10.17.0.1/", L"h:1"},
        {{{"http_proxy", "h:1"}, {"no_proxy", "*"}}, L"http://anything.at.all/", kUntouched},
        // Malformed settings give the safe answer.
        {{{"http_proxy", "not a proxy"}}, L"http://example.com/", kUntouched},
        {{{"http_proxy", "h:1"}, {"no_proxy", ";;, ,"}}, L"http://example.com/", L"h:1"},
        {{{"http_proxy", "h:1"}}, L"", L"h:1"},
    };
    for (const Case& c : cases) {
        ProxyEnvironment environment(c.environment);
        const std::string settings = [&] {
            std::string s;
            for (const auto& [name, value] : c.environment) s += std::string(name) + "=" + value + " ";
            return s;
        }();
        EXPECT_EQ(resolve(c.url), c.expected) << settings << "url " << toUtf8(c.url);
    }
    EXPECT_TRUE(errorTexts().empty());
}

TEST_F(ProxyResolveTest, ALongProxyIsCutTo1023Characters) {
    const std::string host(2000, 'p');
    ProxyEnvironment environment({{"http_proxy", "http://" + host + ":1"}});
    const std::wstring result = resolve(L"http://example.com/");
    EXPECT_EQ(result, L"http://" + std::wstring(1023 - 7, L'p'));
}

TEST_F(ProxyResolveTest, AUrlWithoutSchemeIsLoggedAsAWarning) {
    LogCapture log(::testing::TempDir() + "proxy.log", "ProxyResolver.PlatformResolver");
    ProxyEnvironment environment({});
    resolve(L"intranet/page");
    resolve(L"http://example.com/");
    EXPECT_EQ(log.text(), "WARN - unable to determine scheme in 'intranet/page', assuming 'http' scheme\n");
}

TEST_F(ProxyResolveTest, AMissingResultBufferIsAnError) {
    EXPECT_EQ(ProxyResolve(L"http://example.com/", nullptr), 0);
    EXPECT_EQ(errorTexts(), std::vector<std::wstring>{L"ProxyResolve: no output buffer given"});
}

TEST(ProxyRules, SchemeAndHostOfAUrl) {
    struct Case {
        const char* url;
        const char* scheme;
        const char* host;
        const char* canonical;
    };
    const Case cases[] = {
        {"http://example.com/a", "http", "example.com", "http://example.com/a"},
        {"HTTPS://User:Pw@Example.COM:8443/A?b", "https", "example.com", "https://example.com:8443/A?b"},
        {"http://a@b@host/", "http", "host", "http://host/"},
        {"http://[FE80::1]:8080/x", "http", "fe80::1", "http://[fe80::1]:8080/x"},
        {"http://[::1]", "http", "::1", "http://[::1]"},
        {"ftp://host?query", "ftp", "host", "ftp://host?query"},
        {"host:81/path", "http", "host", "http://host:81/path"},
        {"", "http", "", "http://"},
    };
    for (const Case& c : cases) {
        const auto parts = splitUrl(c.url);
        EXPECT_EQ(parts.scheme, c.scheme) << c.url;
        EXPECT_EQ(parts.host, c.host) << c.url;
        EXPECT_EQ(parts.canonical, c.canonical) << c.url;
    }
}

TEST(ProxyRules, SchemeSpecificEntriesApplyToTheirSchemeOnly) {
    struct Case {
        const char* list;
        const char* url;
        std::vector<std::string> expected;
    };
    const Case cases[] = {
        {"http=h:80;https=s:443", "http://x/", {"h:80"}},
        {"http=h:80;https=s:443", "https://x/", {"s:443"}},
        {"HTTP=h:80 ftp=f:21", "Http://x/", {"h:80"}},
        {"ftp=f:21", "http://x/", {}},
        {"any:3128", "https://x/", {"any:3128"}},
        {"http=h:80; fallback:1 ;http=second:2", "http://x/", {"h:80", "fallback:1", "second:2"}},
        {"http://user:pa=ss@p:1", "http://x/", {"http://user:pa=ss@p:1"}},
        {"http=", "http://x/", {}},
    };
    for (const Case& c : cases) EXPECT_EQ(proxiesFor(splitUrl(c.url), c.list), c.expected) << c.list << " for " << c.url;
}

TEST(ProxyRules, GlobMatchesWholeHostsWithoutRegardToCase) {
    struct Case {
        const char* pattern;
        const char* host;
        bool matches;
    };
    const std::string manyA(5000, 'a');
    const Case cases[] = {
        {"*.example.com", "www.example.com", true}, {"*.example.com", "example.com", false},
        {"WWW.*.COM", "www.example.com", true},      {"a*b*c", "aXXbYYc", true},
        {"a*b*c", "aXXbYY", false},                  {"a?c", "abc", true},
        {"a?c", "ac", false},                        {"*", "", true},
        {"", "", true},                              {"", "a", false},
        {"*a*a*a*a*a*a*a*a*b", manyA.c_str(), false},
    };
    for (const Case& c : cases) EXPECT_EQ(globMatch(c.pattern, c.host), c.matches) << c.pattern << " ~ " << c.host;
}

}  // namespace
}  // namespace flk::test
