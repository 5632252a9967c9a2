// The program's shared managers exist once each. Their owner (the main window, or a test
// fixture) creates them and publishes them here; everyone else reaches them through
// Global<T>(). Nothing is owned here: the owner clears the reference when it frees one.
#pragma once

template <typename T> T*& GlobalInstance()
{
    static T* instance = nullptr;
    return instance;
}

template <typename T> T* Global()
{
    return GlobalInstance<T>();
}

template <typename T> void Publish(T* instance)
{
    GlobalInstance<T>() = instance;
}
