// The library's named loggers, obtained once when the library is loaded.
#pragma once

#include <log4cxx/logger.h>

namespace flk {

enum class Log {
    FLK,               // "Ferrolink.FLK": the frame, mappings and the read and write drivers
    APIClient,         // "Ferrolink.APIClient"
    APIService,        // "Ferrolink.APIService"
    APITask,           // "Ferrolink.APITask"
    TasksServlet,      // "Ferrolink.APIService.TasksServlet"
    EchoServlet,       // "Ferrolink.APIService.EchoServlet"
    OAuth2Servlet,     // "Ferrolink.APIService.OAuth2Servlet"
    MemoryStream,      // "Ferrolink.MemoryStream"
    PollHandler,       // "Ferrolink.PollHandler"
    PlatformResolver,  // "ProxyResolver.PlatformResolver"
    BaseWebServlet,    // "Servlets.BaseWebServlet"
    UriMatchingServlet,  // "Servlets.UriMatchingServlet"
};

const log4cxx::LoggerPtr& logger(Log which);

// "Ferrolink.ApplicationLog", for messages written by the model; created on first use.
const log4cxx::LoggerPtr& applicationLogger();

}  // namespace flk
