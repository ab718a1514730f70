#include "OnlineView.hpp"
