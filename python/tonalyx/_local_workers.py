"""The corpus runner's worker processes on this machine: no scheduler and no sockets.

Each worker is forked from the runner, which has imported the analyses already, and takes one
file at a time over a pipe of its own, so that the runner always knows which file each worker
has: a worker that dies fails that file alone, and a new worker takes its place. Workers
ignore Ctrl+C, which the terminal sends to the whole process group; the runner answers it by
stopping them."""

from __future__ import annotations

import contextlib
import gc
import importlib
import itertools
import multiprocessing
import multiprocessing.forkserver
import os
import selectors
import signal
from multiprocessing.connection import Connection
from typing import Any, Iterable, Iterator, Optional

from ._corpus_files import Job
from ._corpus_task import analyse, failed_record

DIED = "the worker died while analysing this file"
NOT_TAKEN = "the workers died again and again before taking this file"
# How many workers may die before taking a file until the file is failed.
_DEATHS_BEFORE_TAKING = 3


def start_fork_server(modules: list[str]) -> None:
    """Starts the server that workers are forked from, preloaded with `modules`, so that its
    imports run beside this process's own. The server starts with Ctrl+C ignored, which its
    workers inherit: the terminal sends Ctrl+C to the whole process group, and only the runner
    should answer it (by stopping the run), not every worker with a traceback."""
    multiprocessing.get_context("forkserver").set_forkserver_preload(modules)
    previous = signal.signal(signal.SIGINT, signal.SIG_IGN)
    try:
        multiprocessing.forkserver.ensure_running()
    finally:
        signal.signal(signal.SIGINT, previous)


def serve(connection: Connection, taken: Connection) -> None:
    """A worker's life: analyse the jobs that come until told to end, the pipe closes or the
    worker's parent is gone. Before analysing a file the worker says on `taken` that it has
    taken it: a worker that dies before then fails no file, and its file goes to a new
    worker. The runner reads that pipe only when it gives a file or a worker dies, so that it
    wakes once for every file, for its record."""
    runner = os.getppid()
    while True:
        # Other workers hold a copy of the runner's end of this pipe, so that a runner that
        # was killed leaves it open: a worker whose parent is gone ends by itself.
        while not connection.poll(1.0):
            if os.getppid() != runner:
                return
        try:
            job = connection.recv()
        except EOFError:
            return
        if job is None:
            return
        taken.send_bytes(b"")
        connection.send(analyse(job))


def _context(modules: list[str]) -> Any:
    """Forking this process is the quickest start, once it has imported the analyses'
    `modules`, and safe while it runs one thread; otherwise workers come from a fork server
    that has imported them."""
    if len(os.listdir("/proc/self/task")) == 1:
        for module in modules:
            importlib.import_module(module)
        return multiprocessing.get_context("fork")
    start_fork_server(modules)
    return multiprocessing.get_context("forkserver")


class _Worker:
    """A worker process and the runner's end of its pipe, with the file it was given."""

    def __init__(self, context: Any, job: Job, deaths: int = 0) -> None:
        self.connection, theirs = context.Pipe()
        self.taken_notices, their_notices = context.Pipe(duplex=False)
        self.given = self.taken_count = 0
        self.process = context.Process(target=serve, args=(theirs, their_notices), daemon=True)
        if context.get_start_method() == "fork":
            # The collector of a forked worker would otherwise write to every object it
            # inherits (the runner's list of files), copying their pages into each worker.
            gc.freeze()
        # Started with Ctrl+C ignored, which the worker keeps (see the module's note).
        previous = signal.signal(signal.SIGINT, signal.SIG_IGN)
        try:
            self.process.start()
        finally:
            signal.signal(signal.SIGINT, previous)
        theirs.close()
        their_notices.close()
        self.give(job, deaths)

    def give(self, job: Job, deaths: int = 0) -> None:
        """Sends the worker its next file; `deaths` counts the workers that died before taking
        it."""
        self.job, self.deaths = job, deaths
        self._count_taken()
        self.given += 1
        # A worker that died meanwhile is seen by its sentinel, with this file as its last.
        with contextlib.suppress(OSError):
            self.connection.send(job)

    def _count_taken(self) -> None:
        with contextlib.suppress(EOFError, OSError):
            while self.taken_notices.poll():
                self.taken_notices.recv_bytes()
                self.taken_count += 1

    @property
    def taken(self) -> bool:
        """Whether the worker has taken the file it was given last."""
        self._count_taken()
        return self.taken_count == self.given

    def receive(self, dead: bool) -> tuple[bool, Optional[dict[str, Any]]]:
        """Reads what the worker sent: (True, its file's record) once it sent one, (True,
        None) when it is gone without one (`dead`: its sentinel says so), (False, None) while
        it works."""
        try:
            if self.connection.poll():
                return True, self.connection.recv()
        except (EOFError, OSError):
            return True, None
        return dead, None

    def stop(self, at_once: bool = False) -> None:
        """Tells the worker to end (workers forked later hold a copy of this end of its pipe,
        so that closing it is not enough), and kills it after a while, or at once."""
        with contextlib.suppress(OSError):
            self.connection.send(None)
        self.connection.close()
        self.taken_notices.close()
        if not at_once:
            self.process.join(5)
        if self.process.is_alive():
            self.process.kill()
        self.process.join()


def run_on_local_workers(jobs: Iterable[Job], count: int,
                         modules: list[str]) -> Iterator[tuple[Job, dict[str, Any]]]:
    """Analyses the jobs on `count` worker processes, which start with the analyses'
    `modules` imported, and yields each job with its record as it finishes, for the caller
    to keep. A job whose worker died while analysing it gets a failed record, and a new
    worker takes the next; one whose worker died before taking it goes to a new worker. The
    workers are stopped when the iteration ends or is closed."""
    waiting = iter(jobs)
    context = _context(modules)
    workers: list[_Worker] = []
    # One selector for the whole run (not one for every wait): the runner wakes for each
    # record, and its time is taken from the workers.
    selector = selectors.DefaultSelector()

    def start(job: Job, deaths: int = 0) -> None:
        worker = _Worker(context, job, deaths)
        workers.append(worker)
        selector.register(worker.connection, selectors.EVENT_READ, worker)
        selector.register(worker.process.sentinel, selectors.EVENT_READ, worker)

    def retire(worker: _Worker) -> None:
        workers.remove(worker)
        selector.unregister(worker.connection)
        selector.unregister(worker.process.sentinel)
        worker.stop()

    try:
        for job in itertools.islice(waiting, count):
            start(job)
        while workers:
            events = selector.select()
            dead = {key.data for key, _ in events if key.fd == key.data.process.sentinel}
            for worker in dict.fromkeys(key.data for key, _ in events):
                finished, record = worker.receive(worker in dead)
                if not finished:
                    continue
                died_between_files = record is None and not worker.taken
                if died_between_files and worker.deaths + 1 < _DEATHS_BEFORE_TAKING:
                    # It died before taking its file: a new worker takes the file.
                    retire(worker)
                    start(worker.job, worker.deaths + 1)
                    continue
                if record is None:
                    record = failed_record(worker.job, DIED if worker.taken else NOT_TAKEN)
                yield worker.job, record
                following = next(waiting, None)
                if following is not None and worker.process.is_alive():
                    worker.give(following)
                    continue
                retire(worker)
                if following is not None:
                    start(following)
    finally:
        selector.close()
        for worker in workers:
            worker.stop(at_once=True)
