// What the benchmark does to the service's tasks over HTTP on loopback: many clients posting at
// once, each waiting for its task's answer; listing; deleting.
#pragma once

#include <string>
#include <vector>

namespace flk::bench {

struct PostTally {
    int finished = 0;            // answered 200 with the task finished
    int failed = 0;              // any other answer, or none
    std::string firstFailure;
};

// `clients` clients post `tasksPerClient` tasks each, one after another, and wait for each answer.
// The tasks run only while the model yields.
PostTally postTasks(int port, int clients, int tasksPerClient);

// The ids of the tasks the service lists now.
std::vector<std::string> listTaskIds(int port);

// Deletes the tasks listed now, from `parallel` clients at once; returns how many went.
std::size_t deleteListed(int port, int parallel);

}  // namespace flk::bench
