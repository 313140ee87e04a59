# Writes SAIDA, a C++ source whose function RaizesEmbutidas() returns the PEM
# files of PASTA one after the other.
file(GLOB ENTRADAS ${PASTA}/*.pem)
list(SORT ENTRADAS)
set(_pem "")
foreach(_arquivo ${ENTRADAS})
  file(READ ${_arquivo} _conteudo)
  string(APPEND _pem "${_conteudo}\n")
endforeach()
file(WRITE ${SAIDA}.novo
  "// Generated from data/ca/*.pem by EmbutirRaizes.cmake.\n"
  "#include \"dfe/Transporte.h\"\n"
  "std::string_view RaizesEmbutidas() {\n"
  "  static constexpr char kPem[] = R\"PEM(${_pem})PEM\";\n"
  "  return {kPem, sizeof kPem - 1};\n"
  "}\n")
file(COPY_FILE ${SAIDA}.novo ${SAIDA} ONLY_IF_DIFFERENT)
file(REMOVE ${SAIDA}.novo)
