#pragma once
// The outcome and message of a call that must fail with the service route's error.

#include <gtest/gtest.h>

#include <string>
#include <utility>

#include "dfe/Desfecho.h"

template <typename F>
std::pair<Desfecho, std::string> Falha(F&& f) {
  try {
    f();
  } catch (const ErroDFe& e) {
    return {e.desfecho(), e.what()};
  }
  ADD_FAILURE() << "nenhum erro";
  return {Desfecho::Salvo, ""};
}
