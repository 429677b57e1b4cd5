#pragma once
namespace kl::app {
class TMainForm;

// Fills the group " System " of the page "System Information".
void FillSystemInfo(TMainForm& form);

}  // namespace kl::app
