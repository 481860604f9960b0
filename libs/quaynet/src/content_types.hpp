#pragma once

#include "quaynet/quaynet.hpp"

namespace quaynet {

class ContentTypes final : public IContentTypes {
public:
    std::string lookup(const std::string& fileName) const override;
};

}  // namespace quaynet
