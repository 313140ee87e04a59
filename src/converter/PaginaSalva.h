#pragma once
// A result page saved to a file (from a browser, as HTML, or as the already
// captured page text) turned into the page text the converter reads, the way
// the desktop program captures it from its embedded browser.

#include <string>
#include <string_view>

// Whether the bytes are an HTML document rather than captured page text: an
// html, head or body tag before the page's first label ("Chave de acesso",
// any letter case; anywhere when there is none). Captured text holds no tags
// before it, though its values may hold such text after it (a "<body" that
// was "&lt;body&gt;" in the markup).
bool EhHTML(std::string_view bytes);

// How to take a saved page: by EhHTML, or as told.
enum class FormaPagina { Detectar, HTML, Texto };

// The charset an HTML page declares in a meta tag before its body, in small
// letters; empty when it declares none. A meta tag ends at its ">" or where
// the next tag starts when it is left open.
std::string CharsetDeclarado(std::string_view html);

// The bytes as Windows-1252 text: by a byte order mark first (UTF-8, UTF-16
// LE or BE), then by the charset declared in an HTML page; otherwise as UTF-8 when its multi-byte
// sequences outnumber the bytes that are no UTF-8 (each such byte becomes
// '?'), else as Windows-1252 already. Characters the code page lacks become '?'.
std::string DecodificarPaginaSalva(std::string_view bytes, FormaPagina forma = FormaPagina::Detectar);

// The markup inside the body element: after the body start tag up to the last
// "</body"; after "</head>" (or all of it) when there is no body tag.
std::string_view CorpoHTML(std::string_view html);

// Character references as a browser's inner HTML shows them: numeric and
// named references become their characters, except that "&", "<", ">" and the
// no-break space stay "&amp;", "&lt;", "&gt;" and "&nbsp;"; a no-break space
// written as a character becomes "&nbsp;" as well. Unknown ones stay.
std::string NormalizarReferencias(std::string_view html);

// The page text of a saved page: an HTML page's body markup with its
// references normalised and the capture cleaning applied; captured text with
// its line breaks made CR LF.
std::string PaginaTextoDeArquivo(std::string_view bytes, FormaPagina forma = FormaPagina::Detectar);
