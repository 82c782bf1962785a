#pragma once
// The offline engine started in-process on a free port of 127.0.0.1.

#include "tools/offline_engine/engine_server.h"

#include <memory>

namespace kw::test {

class RunningEngine {
public:
    explicit RunningEngine(std::shared_ptr<const engine::KeywordGraph> graph, engine::EngineOptions options = {})
        : engine_(std::move(graph), std::move(options))
    {
        engine_.start(0);
    }
    engine::OfflineEngine& operator*() { return engine_; }
    engine::OfflineEngine* operator->() { return &engine_; }

private:
    engine::OfflineEngine engine_;
};

} // namespace kw::test
