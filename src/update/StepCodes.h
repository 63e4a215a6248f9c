// The step codes of the start-up (TF_ts::i_type): written by the update sequence, drawn by the
// environment check window.
#pragma once

namespace corvane::update {

inline constexpr int kStepNone = 0;
inline constexpr int kStepCheckVersion = 1;
inline constexpr int kStepUpdateDatabase = 5;
inline constexpr int kStepInitialise = 6;

}  // namespace corvane::update
