#pragma once
// The CPU time this process has used, user and system together, in seconds.
double ProcessCpuSeconds();
