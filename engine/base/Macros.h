#pragma once
// Binding member functions to listener and scheduler callbacks:
//   listener->onTouchBegan = CC_CALLBACK_2(MyLayer::onTouchBegan, this);

#include <functional>

#define CC_CALLBACK_0(selector, target, ...) std::bind(&selector, target, ##__VA_ARGS__)
#define CC_CALLBACK_1(selector, target, ...) std::bind(&selector, target, std::placeholders::_1, ##__VA_ARGS__)
#define CC_CALLBACK_2(selector, target, ...) \
    std::bind(&selector, target, std::placeholders::_1, std::placeholders::_2, ##__VA_ARGS__)
#define CC_CALLBACK_3(selector, target, ...) \
    std::bind(&selector, target, std::placeholders::_1, std::placeholders::_2, std::placeholders::_3, ##__VA_ARGS__)
