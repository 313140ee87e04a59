#pragma once
#include <stdexcept>
#include <string>

// The one error the core raises when a text cannot become the number, date or
// key a caller needs (a strict integer on the page, the last digit of a key, a
// document without a usable key). Callers catch exactly this type. The message
// is Portuguese, in Windows-1252, for people and logs alike: the field or label,
// then the value in quotes and what is wrong with it
// ("CNPJ: '1234567800019X' tem um caractere que não é dígito na posição 14.").
class ErroConversao : public std::runtime_error {
 public:
  explicit ErroConversao(const std::string& mensagem) : std::runtime_error(mensagem) {}
};
