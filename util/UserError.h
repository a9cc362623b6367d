#pragma once

#include <stdexcept>
#include <string>

// An error that ends the current user action. Its text (UTF-8) is what the
// application's general error handler shows; the program keeps running.
class UserError : public std::runtime_error {
public:
    explicit UserError(const std::string& text) : std::runtime_error(text) {}
};
