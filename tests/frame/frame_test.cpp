// The export frame, the logging exports and the exports that are not built.
#include "ferrolink/ferrolink.h"
#include "frame/export_frame.hpp"
#include "frame/log_config_watch.hpp"
#include "frame/log_fallback.hpp"
#include "frame/loggers.hpp"
#include "frame/output_buffer.hpp"
#include "frame/web_module_location.hpp"
#include "support/host_fixture.hpp"

#include <curl/curl.h>
#include <log4cxx/fileappender.h>
#include <log4cxx/level.h>
#include <log4cxx/logmanager.h>
#include <log4cxx/simplelayout.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <thread>
#include <vector>
#include <unistd.h>

namespace flk::test {
namespace {

using Frame = HostTest;

TEST_F(Frame, AnErrorRaisedInsideAnExportCarriesItsCallContext) {
    int result = runExport("ReadFromFile", Host::Controlled, []() -> int { throw std::runtime_error("boom"); });
    EXPECT_EQ(result, 0);
    ASSERT_EQ(model().errors().size(), 1u);
    EXPECT_EQ(model().errors()[0].message, L"ReadFromFile: boom");
    EXPECT_EQ(model().errors()[0].severity, 1);
    EXPECT_EQ(model().errors()[0].source, L"Ferrolink");
}

TEST_F(Frame, AnExhaustedMemoryIsReportedAsSuch) {
    EXPECT_EQ(runExport("AddMapping", Host::Controlled, []() -> int { throw std::bad_alloc(); }), 0);
    EXPECT_EQ(errorTexts().back(), L"AddMapping: out of memory");
}

TEST_F(Frame, SomeExportsKeepThePreviousCallContext) {
    char buffer[2048];
    GetErrorMessage(CURLE_OK, buffer);
    SetLoggerLevel(L"Ferrolink.FLK", L"info");
    AddLogEntry(L"text", L"info");
    raiseError(std::string_view("after"));
    EXPECT_EQ(errorTexts().back(), L"GetErrorMessage: after");
    raiseWarning(L"plain");
    EXPECT_EQ(errorTexts().back(), L"plain");
    EXPECT_EQ(model().errors().back().severity, 2);
}

// Control taken by an export is given back even when its work throws: the model can then hand
// control to another thread.
TEST_F(Frame, ControlIsReleasedOnEveryPath) {
    runExport("AddMapping", Host::Controlled, []() -> int { throw 42; });
    runExport("AddMapping", Host::Controlled, [] { return 1; });
    EXPECT_EQ(errorTexts().back(), L"AddMapping: Unknown exception");
    ASSERT_EQ(MolvoControlRelease(), 1);   // the model's own hold
    std::atomic<int> obtained{0};
    std::thread([&] {
        obtained = MolvoControlGet(100);
        if (obtained) MolvoControlRelease();
    }).join();
    ASSERT_EQ(MolvoControlGet(-1), 1);
    EXPECT_EQ(obtained.load(), 1);
}

TEST_F(Frame, SetLoggerLevelTakesTheFiveLevelsInAnyCase) {
    auto client = log4cxx::Logger::getLogger("Ferrolink.APIClient");
    EXPECT_EQ(SetLoggerLevel(L"Ferrolink.APIClient", L"DEBUG"), 1);
    EXPECT_EQ(client->getLevel(), log4cxx::Level::getDebug());
    for (const wchar_t* refused : {L"off", L"fatal", L"all", L"", L"verbose"}) {
        EXPECT_EQ(SetLoggerLevel(L"Ferrolink.APIClient", refused), 0);
        EXPECT_EQ(client->getLevel(), log4cxx::Level::getDebug());
    }
    EXPECT_EQ(SetLoggerLevel(L"Brand.New.Logger", L"Trace"), 1);
    EXPECT_EQ(log4cxx::Logger::getLogger("Brand.New.Logger")->getLevel(), log4cxx::Level::getTrace());
    EXPECT_TRUE(errorTexts().empty());
}

TEST_F(Frame, AddLogEntryLogsEnabledLevelsAndRefusesOthers) {
    std::string file = testing::TempDir() + "application.log";
    std::remove(file.c_str());
    auto log = log4cxx::Logger::getLogger("Ferrolink.ApplicationLog");
    log4cxx::AppenderPtr appender(new log4cxx::FileAppender(log4cxx::LayoutPtr(new log4cxx::SimpleLayout), file, false));
    log->addAppender(appender);
    log->setLevel(log4cxx::Level::getError());

    EXPECT_EQ(AddLogEntry(L"quiet warning", L"Warn"), 1);   // disabled, still accepted
    EXPECT_EQ(AddLogEntry(L"loud error", L"ERROR"), 1);
    EXPECT_EQ(AddLogEntry(L"fatal text", L"fatal"), 0);
    log->removeAppender(appender);
    appender->close();

    std::ifstream in(file);
    std::stringstream text;
    text << in.rdbuf();
    EXPECT_EQ(text.str(), "ERROR - loud error\n");
}

TEST_F(Frame, GetErrorMessageCopiesLibcurlsText) {
    char buffer[2048];
    std::memset(buffer, 'x', sizeof buffer);
    EXPECT_EQ(GetErrorMessage(CURLE_COULDNT_RESOLVE_HOST, buffer), 1);
    EXPECT_STREQ(buffer, curl_easy_strerror(CURLE_COULDNT_RESOLVE_HOST));
}

// libcurl's texts are short; the cut that protects the host's 2048-byte buffer is the shared one.
TEST(OutputBuffer, LongTextIsCutToTheBufferWithATerminatingNul) {
    std::string text(3000, 'e');
    std::vector<char> buffer(2048, 'x');
    copyToBuffer(std::string_view(text), buffer.data(), 2047);
    EXPECT_EQ(std::string(buffer.data()), std::string(2047, 'e'));
    wchar_t wide[4];
    copyToBuffer(std::wstring_view(L"abc"), wide, 3);
    EXPECT_EQ(std::wstring(wide), L"abc");
}

// Logging is configured from the file only while it is unconfigured or switched off; the web
// module location is replaced each time.
TEST_F(Frame, InitServiceConfiguresLoggingOnlyWhenNeeded) {
    auto dir = std::filesystem::temp_directory_path() / "flk-init-service";
    std::filesystem::create_directories(dir);
    std::ofstream(dir / "FLKLogConfig.cfg") << "log4j.rootLogger=INFO, out\n"
                                                "log4j.appender.out=org.apache.log4j.FileAppender\n"
                                                "log4j.appender.out.File=" << (dir / "flk.log").string() << "\n"
                                                "log4j.appender.out.layout=org.apache.log4j.SimpleLayout\n";
    auto previous = std::filesystem::current_path();
    std::filesystem::current_path(dir);
    auto root = log4cxx::LogManager::getLoggerRepository()->getRootLogger();
    root->setLevel(log4cxx::Level::getOff());

    EXPECT_EQ(InitService(L"/opt/first"), 1);
    EXPECT_EQ(root->getLevel(), log4cxx::Level::getInfo());
    root->setLevel(log4cxx::Level::getWarn());
    EXPECT_EQ(InitService(L"/opt/second"), 1);
    EXPECT_EQ(root->getLevel(), log4cxx::Level::getWarn());   // configured and not off: left alone
    EXPECT_EQ(webModuleLocation(), "/opt/second");

    std::filesystem::current_path(previous);
    log4cxx::LogManager::resetConfiguration();
}

// Without a configuration file, warnings go to standard error; the file, once it appears, is
// applied by the watch and decides from then on (standard error hears no more).
TEST_F(Frame, AConfigurationFileThatAppearsLaterTakesOverFromStandardError) {
    auto dir = std::filesystem::temp_directory_path() / ("flk-late-config-" + std::to_string(::getpid()));
    std::filesystem::create_directories(dir);
    auto previous = std::filesystem::current_path();
    std::filesystem::current_path(dir);
    log4cxx::LogManager::resetConfiguration();   // as in a process where nothing configured logging
    installLogFallback();
    setLogConfigPollInterval(std::chrono::milliseconds(5));
    auto root = log4cxx::LogManager::getLoggerRepository()->getRootLogger();

    ::testing::internal::CaptureStderr();
    EXPECT_EQ(InitService(L""), 1);   // no file yet: the watch waits for it
    LOG4CXX_WARN(logger(Log::FLK), "before the file");
    LOG4CXX_INFO(logger(Log::FLK), "not a warning");
    std::ofstream(dir / "FLKLogConfig.cfg") << "log4j.rootLogger=WARN, out\n"
                                                "log4j.appender.out=org.apache.log4j.FileAppender\n"
                                                "log4j.appender.out.File=" << (dir / "flk.log").string() << "\n"
                                                "log4j.appender.out.layout=org.apache.log4j.SimpleLayout\n";
    for (int i = 0; i < 2000 && !root->getAppender(LOG4CXX_STR("out")); ++i) std::this_thread::sleep_for(std::chrono::milliseconds(5));
    LOG4CXX_WARN(logger(Log::FLK), "after the file");
    EXPECT_EQ(::testing::internal::GetCapturedStderr(), "WARN Ferrolink.FLK: before the file\n");
    std::ifstream in(dir / "flk.log");
    std::stringstream text;
    text << in.rdbuf();
    EXPECT_EQ(text.str(), "WARN - after the file\n");

    setLogConfigPollInterval(std::chrono::seconds(60));
    std::filesystem::current_path(previous);
    log4cxx::LogManager::resetConfiguration();
    installLogFallback();
    std::filesystem::remove_all(dir);
}

}  // namespace
}  // namespace flk::test
