// GetModule: the one module object of the process.
#include "content_types.hpp"
#include "server.hpp"

namespace quaynet {
namespace {

class Module final : public IModule {
public:
    std::shared_ptr<IContentTypes> contentTypes() override { return types_; }

    std::shared_ptr<IServer> createServer(std::shared_ptr<IWebServlet> root, const std::string& host, int port,
                                          int workers, std::size_t maxRequestBytes, int timeoutSeconds) override {
        if (!root) throw std::invalid_argument("a server needs a root servlet");
        if (port < 0 || port > 65535)
            throw std::invalid_argument("port " + std::to_string(port) + " is outside 0 to 65535");
        return std::make_shared<Server>(std::move(root),
                                        ServerSettings{host, port, workers, maxRequestBytes, timeoutSeconds});
    }

private:
    std::shared_ptr<IContentTypes> types_ = std::make_shared<ContentTypes>();
};

}  // namespace
}  // namespace quaynet

extern "C" quaynet::IModule* GetModule() {
    static quaynet::Module module;
    return &module;
}
