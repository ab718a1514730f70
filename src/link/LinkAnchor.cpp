#include "ReaderBus.hpp"
