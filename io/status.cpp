#include "status.h"

int exit_code(const Status& status)
{
    switch (status.code) {
    case StatusCode::Ok:
        return 0;
    case StatusCode::Usage:
    case StatusCode::Clash:
    case StatusCode::Locked:
        return 2;
    default:
        return 1;
    }
}
