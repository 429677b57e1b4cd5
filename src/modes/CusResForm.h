#pragma once
// The restart prompts: one dialog layout with two lines of text and "&Ok".
// TformRestartRR and TformRestartApplyRR derive from TformCusRes.
#include <string>

#include "ui/controls.h"

namespace kl::modes {

class TformCusRes : public ui::Form {
 public:
  explicit TformCusRes(ui::Application& app);
  ui::Label* Label1 = nullptr;
  ui::Label* Label2 = nullptr;
  ui::Button* butOKCusRes = nullptr;

 protected:
  TformCusRes(ui::Application& app, const std::string& name, const std::string& windowClass,
              const std::string& caption, const std::string& line1, const std::string& line2);
};

class TformRestartRR : public TformCusRes {
 public:
  explicit TformRestartRR(ui::Application& app);

 protected:
  using TformCusRes::TformCusRes;
};

class TformRestartApplyRR : public TformRestartRR {
 public:
  explicit TformRestartApplyRR(ui::Application& app);
};

}  // namespace kl::modes
