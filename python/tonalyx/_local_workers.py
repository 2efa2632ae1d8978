"""The corpus runner's worker processes on this machine: no scheduler and no sockets.

Each worker is forked from the runner, which has imported the analyses already, and takes one
file at a time over a pipe of its own, so that the runner always knows which file each worker
has: a worker that dies fails that file alone, and a new worker takes its place. Workers
ignore Ctrl+C, which the terminal sends to the whole process group; the runner answers it by
stopping them."""

from __future__ import annotations

import contextlib
import gc
import itertools
import multiprocessing
import multiprocessing.forkserver
import os
import signal
from multiprocessing.connection import Connection, wait
from typing import Any, Iterable, Iterator, Optional

from ._corpus_files import Job
from ._corpus_task import analyse_file, failure_record

DIED = "the worker died while analysing this file"


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


def serve(connection: Connection) -> None:
    """A worker's life: analyse the jobs that come until told to end, the pipe closes or the
    worker's parent is gone."""
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
        connection.send(analyse_file(job, announce=False))


def _context() -> Any:
    """Forking this process is the quickest start (it has imported the analyses), and safe
    while it runs one thread; otherwise workers come from a fork server."""
    if len(os.listdir("/proc/self/task")) == 1:
        return multiprocessing.get_context("fork")
    start_fork_server(["tonalyx._corpus_task"])
    return multiprocessing.get_context("forkserver")


class _Worker:
    """A worker process and the runner's end of its pipe, with the file it was given."""

    def __init__(self, context: Any, job: Job) -> None:
        self.connection, theirs = context.Pipe()
        self.process = context.Process(target=serve, args=(theirs,), daemon=True)
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
        self.give(job)

    def give(self, job: Job) -> None:
        self.job = job
        # A worker that died meanwhile is seen by its sentinel, with this file as its last.
        with contextlib.suppress(OSError):
            self.connection.send(job)

    def result(self) -> Optional[dict[str, Any]]:
        """The record of its file, or None when the worker died before it sent one."""
        try:
            return self.connection.recv() if self.connection.poll() else None
        except (EOFError, OSError):
            return None

    def stop(self, at_once: bool = False) -> None:
        """Tells the worker to end (workers forked later hold a copy of this end of its pipe,
        so that closing it is not enough), and kills it after a while, or at once."""
        with contextlib.suppress(OSError):
            self.connection.send(None)
        self.connection.close()
        if not at_once:
            self.process.join(5)
        if self.process.is_alive():
            self.process.kill()
        self.process.join()


def run_on_local_workers(jobs: Iterable[Job],
                         count: int) -> Iterator[tuple[Job, dict[str, Any]]]:
    """Analyses the jobs on `count` worker processes and yields each job with its record as
    it finishes; a job whose worker died is recorded as failed, and a new worker takes the
    next. The workers are stopped when the iteration ends or is closed."""
    waiting = iter(jobs)
    context = _context()
    workers: list[_Worker] = []
    try:
        for job in itertools.islice(waiting, count):
            workers.append(_Worker(context, job))
        while workers:
            ready = set(wait([w.connection for w in workers] +
                             [w.process.sentinel for w in workers]))
            for worker in [w for w in workers
                           if w.connection in ready or w.process.sentinel in ready]:
                record = worker.result()
                yield worker.job, record if record is not None else failure_record(worker.job, DIED)
                following = next(waiting, None)
                if following is not None and worker.process.is_alive():
                    worker.give(following)
                    continue
                workers.remove(worker)
                worker.stop()
                if following is not None:
                    workers.append(_Worker(context, following))
    finally:
        for worker in workers:
            worker.stop(at_once=True)
