// GetModule: the one module object of the process.
#include "content_types.hpp"
#include "server.hpp"

namespace quaynet {
namespace {

class Module final : public IModule {
public:
    std::shared_ptr<IContentTypes> contentTypes() override { return types_; }

    std::shared_ptr<IServer> createServer(std::shared_ptr<IWebServlet> root, const ServerOptions& options) override {
        if (!root) throw std::invalid_argument("a server needs a root servlet");
        if (options.port < 0 || options.port > 65535)
            throw std::invalid_argument("port " + std::to_string(options.port) + " is outside 0 to 65535");
        return std::make_shared<Server>(std::move(root), options);
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
