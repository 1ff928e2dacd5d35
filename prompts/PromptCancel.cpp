#include "prompts/PromptCancel.h"

#include <utility>

namespace {
std::shared_ptr<PromptCancelToken>& ThreadToken() {
  thread_local std::shared_ptr<PromptCancelToken> token;
  return token;
}
}  // namespace

std::shared_ptr<PromptCancelToken> CurrentPromptCancel() {
  return ThreadToken();
}

ScopedPromptCancel::ScopedPromptCancel(std::shared_ptr<PromptCancelToken> token)
    : m_Previous(std::exchange(ThreadToken(), std::move(token))) {}

ScopedPromptCancel::~ScopedPromptCancel() {
  ThreadToken() = std::move(m_Previous);
}
