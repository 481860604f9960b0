// A server given a certificate and a key speaks HTTPS only: a real client that trusts the
// certificate is served, plain HTTP and a client that never starts its handshake are closed, and
// a certificate or key that cannot be used stops start with a clear error. The certificates are
// made for the test by the openssl command in a folder of its own.
#include "loopback.hpp"

#include <curl/curl.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

namespace quaynet_test {
namespace {

namespace fs = std::filesystem;

std::string contents(const fs::path& file) {
    std::ifstream in(file);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

// A self-signed certificate for 127.0.0.1 and its key, as PEM texts; empty when they cannot be made.
struct Identity {
    std::string certificate, key, certificateFile;
};

Identity makeIdentity(const fs::path& folder, const std::string& name) {
    const fs::path key = folder / (name + ".key"), certificate = folder / (name + ".pem");
    const std::string command = "openssl req -x509 -newkey ec -pkeyopt ec_paramgen_curve:prime256v1 -nodes -days 2"
                                " -subj /CN=127.0.0.1 -addext subjectAltName=IP:127.0.0.1 -keyout " +
                                key.string() + " -out " + certificate.string() + " 2>/dev/null";
    if (std::system(command.c_str()) != 0) return {};
    return {contents(certificate), contents(key), certificate.string()};
}

std::size_t collect(char* data, std::size_t size, std::size_t count, void* out) {
    static_cast<std::string*>(out)->append(data, size * count);
    return size * count;
}

struct TlsAnswer {
    long status = 0;   // 0 when no answer came
    std::string body;
    std::string error;   // what the client reports, when no answer came
};

// A POST over HTTPS that trusts only `caFile`.
TlsAnswer postOverTls(int port, const std::string& caFile, const std::string& body) {
    TlsAnswer answer;
    CURL* curl = curl_easy_init();
    const std::string url = "https://127.0.0.1:" + std::to_string(port) + "/secure?x=1";
    curl_easy_setopt(curl, CURLOPT_URL, url.c_str());
    curl_easy_setopt(curl, CURLOPT_CAINFO, caFile.c_str());
    curl_easy_setopt(curl, CURLOPT_TIMEOUT, 20L);
    curl_easy_setopt(curl, CURLOPT_POSTFIELDS, body.c_str());
    curl_easy_setopt(curl, CURLOPT_WRITEFUNCTION, collect);
    curl_easy_setopt(curl, CURLOPT_WRITEDATA, &answer.body);
    const CURLcode done = curl_easy_perform(curl);
    if (done == CURLE_OK) curl_easy_getinfo(curl, CURLINFO_RESPONSE_CODE, &answer.status);
    else answer.error = curl_easy_strerror(done);
    curl_easy_cleanup(curl);
    return answer;
}

class Tls : public LoopbackServer {
protected:
    static void SetUpTestSuite() {
        char pattern[] = "/tmp/quaynet-tls-XXXXXX";
        if (!::mkdtemp(pattern)) return;
        folder_ = pattern;
        identity_ = makeIdentity(folder_, "server");
        other_ = makeIdentity(folder_, "other");
    }
    static void TearDownTestSuite() {
        if (!folder_.empty()) fs::remove_all(folder_);
    }
    void SetUp() override {
        if (identity_.certificate.empty() || other_.certificate.empty())
            GTEST_SKIP() << "the openssl command could not make a certificate";
    }
    quaynet::ServerOptions tlsOptions() {
        quaynet::ServerOptions options = smallLimits();
        options.tlsCertificatePem = identity_.certificate;
        options.tlsKeyPem = identity_.key;
        return options;
    }

    static inline fs::path folder_;
    static inline Identity identity_, other_;
};

TEST_F(Tls, ARealClientIsServedOverHttps) {
    quaynet::ServerOptions options = tlsOptions();
    options.limits.headSeconds = 10;   // a handshake under valgrind takes longer than the small limit
    serve(echo, options);
    const TlsAnswer answer = postOverTls(port_, identity_.certificateFile, "over tls");
    EXPECT_EQ(answer.status, 200) << answer.error;
    EXPECT_EQ(answer.body, "POST /secure?x=1 [over tls]");
    // A client that trusts another certificate refuses the server's.
    EXPECT_EQ(postOverTls(port_, other_.certificateFile, "").status, 0);
}

// Nothing is answered in plain text on the TLS port, and neither a client that speaks HTTP there
// nor one that never starts its handshake is left hanging.
TEST_F(Tls, PlainHttpAndSilentClientsAreClosed) {
    serve(echo, tlsOptions());
    RawConnection silent(port_);
    const RawReply plain = roundTrip(port_, "GET / HTTP/1.1\r\nHost: x\r\n\r\n", 2s);
    EXPECT_TRUE(plain.closed);
    EXPECT_EQ(plain.bytes.find("HTTP/"), std::string::npos) << plain.bytes;
    EXPECT_TRUE(silent.readUntilClosed(4s).closed);
    EXPECT_EQ(servlet_->calls, 0);
}

TEST_F(Tls, ACertificateOrKeyThatCannotBeUsedStopsStart) {
    struct Case {
        const char* name;
        std::string certificate, key;
    };
    const Case cases[] = {
        {"a key that is not PEM", identity_.certificate, "not a key"},
        {"a certificate that is not PEM", "not a certificate", identity_.key},
        {"a key without a certificate", "", identity_.key},
        {"a certificate without a key", identity_.certificate, ""},
        {"the key of another certificate", identity_.certificate, other_.key},
        {"a truncated key", identity_.certificate, identity_.key.substr(0, identity_.key.size() / 2)},
    };
    for (const Case& c : cases) {
        quaynet::ServerOptions options = smallLimits();
        options.port = freePort();
        options.tlsCertificatePem = c.certificate;
        options.tlsKeyPem = c.key;
        auto server = GetModule()->createServer(std::make_shared<FunctionServlet>(echo), options);
        try {
            server->start();
            ADD_FAILURE() << c.name << ": started";
        } catch (const std::runtime_error& e) {
            EXPECT_NE(std::string(e.what()).find("certificate or key was refused"), std::string::npos) << c.name << ": " << e.what();
        }
        EXPECT_FALSE(RawConnection(options.port).connected()) << c.name << ": the server listens";
        server->stop();
    }
}

}  // namespace
}  // namespace quaynet_test
